// The help file built beside Quillpad.exe opens from the panel: the viewer shows the
// help file's title and its table of contents, accents intact.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "ui/driver/Driver.h"

namespace {
constexpr WPARAM kHelpCommand = 57670;

HWND FindChild(HWND parent, const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (ui::ClassName(hwnd) != s->className)
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The names of a tree view's items, depth first, indented by level.
void CollectNames(HWND tree, LPARAM item, const std::wstring& indent, std::vector<std::wstring>& names) {
    for (; item; item = ui::Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
        TVITEMW tvi{};
        tvi.mask = TVIF_TEXT;
        tvi.hItem = reinterpret_cast<HTREEITEM>(item);
        names.push_back(indent + ui::QueryText(tree, TVM_GETITEMW, 0, tvi));
        CollectNames(tree, ui::Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, item), indent + L"  ", names);
    }
}

TEST(HelpFile, OpensFromThePanelWithTitleAndContents) {
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(Process::BinDir()) / "Inkwell.chm"));
    Process app;
    ASSERT_TRUE(app.Start(L"Quillpad.exe"));
    HWND frame = app.WaitTopWindow(L"QuillpadFrame");
    ASSERT_NE(frame, nullptr);
    ui::Post(frame, WM_COMMAND, kHelpCommand);

    HWND viewer = app.WaitTopWindow(nullptr, L"Ayuda del Panel de control del lápiz", 10000);
    ASSERT_NE(viewer, nullptr) << "no help window with the help file's title";
    HWND tree = ui::WaitFor([&] { return FindChild(viewer, L"SysTreeView32"); });
    ASSERT_NE(tree, nullptr);
    std::vector<std::wstring> names;
    ui::WaitUntil([&] {
        names.clear();
        CollectNames(tree, ui::Send(tree, TVM_GETNEXTITEM, TVGN_ROOT), L"", names);
        return !names.empty();
    });
    const std::vector<std::wstring> expected = {
        L"Panel de control del lápiz", L"  Estado del lápiz",
        L"    Registro de servicio",   L"  Especificaciones de la conexión",
        L"  Detalles personales",      L"  Accesos directos a la dirección",
        L"  Opciones avanzadas",       L"  Acerca de",
    };
    EXPECT_EQ(names, expected);
}
} // namespace

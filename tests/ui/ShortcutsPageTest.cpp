// The Shortcuts page and the shortcut editor against the stand-in: the pen's shortcuts
// listed, one edited or cleared and written back once, a pen going away while the
// editor is open, and a write-back that fails.
#include <chrono>
#include <string>
#include <vector>

#include "ui/driver/PageFixture.h"

namespace {
using namespace std::chrono_literals;
using ui::Control;
using ui::Sheet;
using ui::StandIn;

const wchar_t kEditorCaption[] = L"Editar acceso directo a dirección";
const char* const kSetters[] = {"IAddressShortcut::SetName", "IAddressShortcut::SetEmail",
                                "IAddressShortcut::SetCellPhone", "IAddressShortcut::SetFax",
                                "IPen::SetAddressShortcuts"};

class ShortcutsPage : public ui::PageTest {
public:
    static void SetUpTestSuite() { ui::ShowInternetSettings(1); }
    static nlohmann::json Shortcut(int index) { return Pen()["shortcuts"][index]; }
    // How often the stand-in has served each setter so far, plus more.
    static std::vector<int> Calls(const std::vector<int>& more = {0, 0, 0, 0, 0}) {
        std::vector<int> counts;
        for (size_t i = 0; i < std::size(kSetters); ++i)
            counts.push_back(StandIn::CallCount(kSetters[i]) + more[i]);
        return counts;
    }
    void Start() {
        StartOn(L"Accesos directos a la dirección",
                [&] { return List().Count() == 10 && !List().Text(9, 1).empty(); });
    }
    ui::ListView List() const { return ui::ListView(sheet.CurrentPage(), IDC_SHORTCUT_LIST); }
    HWND OpenEditor(int item) {
        EXPECT_TRUE(List().Select(item));
        return Open(Item(IDC_EDIT_SHORTCUT), kEditorCaption);
    }
    // Clear on the selected row, the question answered.
    std::wstring Clear(int answer, std::wstring* caption = nullptr) {
        Item(IDC_CLEAR_SHORTCUT).PostClick();
        return Answer(answer, caption);
    }
};

TEST_F(ShortcutsPage, ListsTheShortcutsAndWritesAnEditedOneBack) {
    Start();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(List().Text(i, 0), std::to_wstring(i + 1));
    EXPECT_EQ(List().Row(0), (std::vector<std::wstring>{L"1", L"Lucía Fernández", L"contacto0@correo.es",
                                                        L"+34 600 11 22 30", L"+34 91 555 00 10"}));
    EXPECT_EQ(List().Row(1)[4], L"");
    EXPECT_EQ(List().Heading(3), L"Número de teléfono celular");
    EXPECT_FALSE(Item(IDC_EDIT_SHORTCUT).IsEnabled());

    const std::vector<std::vector<std::wstring>> before = {List().Row(1), List().Row(2), List().Row(3)};
    HWND editor = OpenEditor(2);
    ASSERT_TRUE(editor);
    EXPECT_EQ(Control(editor, IDC_DETAILS_NAME).Text(), L"Carmen Ortega");
    Fill(editor, {{IDC_DETAILS_NAME, L"Carmen Ortega Gil"}});
    Control(editor, IDOK).PostClick();
    ASSERT_TRUE(Closed(editor));
    EXPECT_EQ(List().Text(2, 1), L"Carmen Ortega Gil");
    EXPECT_EQ(List().Row(1), before[0]);
    EXPECT_EQ(List().Row(3), before[2]);

    const std::vector<int> written = Calls({1, 0, 0, 0, 1});
    Apply();
    EXPECT_EQ(Calls(), written);
    EXPECT_EQ(Shortcut(2)["name"], "Carmen Ortega Gil");
    EXPECT_EQ(Shortcut(1)["name"], "Javier Muñoz");
    EXPECT_FALSE(ApplyEnabled());
    // Nothing changed since: OK writes nothing.
    sheet.Button(Sheet::kOk).PostClick();
    ASSERT_TRUE(app.WaitExit(5000));
    EXPECT_EQ(Calls(), written);
}

TEST_F(ShortcutsPage, ClearingWritesEmptyTextsForTheFieldsThatWereRead) {
    // Faxes that can't be read are never written.
    ASSERT_TRUE(StandIn::Fail(L"IAddressShortcut::GetFax", kFail));
    Start();
    EXPECT_EQ(List().Text(0, 4), kUnexpected);
    ASSERT_TRUE(List().Select(0));
    ASSERT_TRUE(ui::WaitUntil([&] { return Item(IDC_CLEAR_SHORTCUT).IsEnabled(); }));
    for (int answer : {IDNO, IDYES}) {
        std::wstring caption;
        EXPECT_EQ(Clear(answer, &caption),
                  L"¿Está seguro de que desea borrar el acceso directo a la dirección?");
        EXPECT_EQ(caption, L"Borrar acceso directo a dirección");
    }
    EXPECT_TRUE(ui::WaitUntil([&] { return List().Text(0, 1).empty(); }));
    EXPECT_EQ(List().Text(0, 4), kUnexpected);
    // Nothing left to clear.
    EXPECT_FALSE(Item(IDC_CLEAR_SHORTCUT).IsEnabled());
    const std::vector<int> written = Calls({1, 1, 1, 0, 1});
    ASSERT_TRUE(ui::WaitUntil([&] { return ApplyEnabled(); }));
    Apply();
    EXPECT_EQ(Calls(), written);
    EXPECT_EQ(Shortcut(0)["name"], "");
    EXPECT_EQ(Shortcut(0)["fax"], "+34 91 555 00 10");
}

TEST_F(ShortcutsPage, UndockingClosesTheEditorAndEmptiesTheList) {
    Start();
    HWND editor = OpenEditor(0);
    ASSERT_TRUE(editor);
    Control(editor, IDC_DETAILS_NAME).Type(L"x");
    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(Closed(editor));
    EXPECT_TRUE(ui::WaitUntil([&] { return List().Count() == 0 && !Control(List().Hwnd()).IsEnabled(); }));
    EXPECT_FALSE(Item(IDC_EDIT_SHORTCUT).IsEnabled());
    ASSERT_TRUE(StandIn::Dock(kPen));
    EXPECT_TRUE(
        ui::WaitUntil([&] { return List().Count() == 10 && List().Text(0, 1) == L"Lucía Fernández"; }));
    EXPECT_EQ(Shortcut(0)["name"], "Lucía Fernández");
}

TEST_F(ShortcutsPage, AFailedWriteBackIsLoggedToldOnceAndStaysChanged) {
    Start();
    ASSERT_TRUE(StandIn::Fail(L"IPen::SetAddressShortcuts", kFail));
    ASSERT_TRUE(List().Select(4));
    EXPECT_NE(Clear(IDYES), L"(no box)");
    ASSERT_TRUE(ui::WaitUntil([&] { return ApplyEnabled(); }));
    // Told from inside the apply: posted, answered, no second box.
    sheet.Button(Sheet::kApply).PostClick();
    EXPECT_NE(Answer(IDOK).find(L"Accesos directos a la dirección"), std::wstring::npos);
    EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
    EXPECT_TRUE(log.WaitFor(app.Pid(), "Failed to set shortcuts (0x80004005).", 2s)) << log.Dump();
    EXPECT_EQ(Shortcut(4)["name"], "Marta Sánchez");
    EXPECT_TRUE(ApplyEnabled());
}
} // namespace

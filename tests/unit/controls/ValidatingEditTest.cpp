#include "controls/EmailEdit.h"
#include "controls/HostEdit.h"
#include "controls/PhoneEdit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kEditId = 100;
using Path = ValidatingEdit::TextPath;

// A visible dialog with one single-line edit, from an in-memory template.
class EditDialog {
public:
    EditDialog() {
        std::vector<WORD> t(64, 0);
        auto* dlg = reinterpret_cast<DLGTEMPLATE*>(t.data());
        dlg->style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT;
        dlg->cdit = 1;
        dlg->cx = 200;
        dlg->cy = 40;
        size_t w = sizeof(DLGTEMPLATE) / sizeof(WORD) + 3; // no menu, default class, no title
        t[w++] = 8;                                        // font size and name
        for (const wchar_t* f = L"Tahoma"; *f; ++f)
            t[w++] = *f;
        t[w++] = 0;
        w = (w + 1) & ~size_t(1); // items start on a DWORD
        auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(&t[w]);
        item->style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;
        item->x = 5;
        item->y = 5;
        item->cx = 190;
        item->cy = 14;
        item->id = kEditId;
        w += sizeof(DLGITEMTEMPLATE) / sizeof(WORD);
        t[w++] = 0xFFFF; // predefined class: edit
        t[w++] = 0x0081;
        w += 2; // no text, no creation data
        m_hwnd = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dlg, nullptr, &DialogProc, 0);
    }
    ~EditDialog() { DestroyWindow(m_hwnd); }
    HWND Edit() const { return GetDlgItem(m_hwnd, kEditId); }

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }
    HWND m_hwnd = nullptr;
};

void SetClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

std::wstring Shown(HWND edit) {
    wchar_t text[300] = {};
    GetWindowTextW(edit, text, 300);
    return text;
}

enum class Kind { Base8, Email, Host, Phone };

std::unique_ptr<ValidatingEdit> MakeEdit(Kind kind, Path path) {
    switch (kind) {
    case Kind::Base8:
        return std::make_unique<ValidatingEdit>(8, path); // 7 bytes of text
    case Kind::Email:
        return std::make_unique<EmailEdit>(128, path);
    case Kind::Host:
        return std::make_unique<HostEdit>(-1, path);
    default:
        return std::make_unique<PhoneEdit>(32, path);
    }
}

// One editing message on a prepared text and selection, and the text it must leave.
enum class Action { Char, Backspace, Delete, Cut, Clear, Paste, ReplaceSel, Undo };
struct Step {
    Kind kind;
    const wchar_t* before;
    int selStart, selEnd;
    Action action;
    const wchar_t* arg; // the character, the clipboard text or the replacement
    const wchar_t* after;
};

const Step kSteps[] = {
    {Kind::Base8, L"abcdef", 6, 6, Action::Char, L"g", L"abcdefg"},
    {Kind::Base8, L"abcdefg", 7, 7, Action::Char, L"h", L"abcdefg"},     // 8 bytes: refused
    {Kind::Base8, L"abcdef", 6, 6, Action::Char, L"\u00e9", L"abcdef"},  // 2 more bytes: refused
    {Kind::Base8, L"abcdefg", 0, 7, Action::Char, L"\u00e9", L"\u00e9"}, // replaces the selection
    {Kind::Base8, L"abc", 3, 3, Action::Paste, L"defgh", L"abc"},        // refused as a whole
    {Kind::Base8, L"abc", 3, 3, Action::Paste, L"defg", L"abcdefg"},
    {Kind::Base8, L"abc", 1, 1, Action::Paste, L"x\r\nyyyyyyyy", L"axbc"}, // first line only
    {Kind::Base8, L"abc", 3, 3, Action::ReplaceSel, L"defgh", L"abc"},
    {Kind::Base8, L"abc", 1, 2, Action::ReplaceSel, L"XY", L"aXYc"},
    {Kind::Base8, L"abc", 3, 3, Action::Undo, L"", L"abc"},
    {Kind::Email, L"a.b", 1, 1, Action::Backspace, L"", L"a.b"}, // would leave ".b"
    {Kind::Email, L"a.b", 0, 0, Action::Backspace, L"", L"a.b"}, // at the start: unchanged, passes
    {Kind::Email, L"a.b", 3, 3, Action::Backspace, L"", L"a."},
    {Kind::Email, L"a.b", 3, 3, Action::Delete, L"", L"a.b"}, // at the end: unchanged, passes
    {Kind::Email, L"a.b", 0, 0, Action::Delete, L"", L"a.b"},
    {Kind::Email, L"ab.c", 0, 0, Action::Delete, L"", L"b.c"},
    {Kind::Email, L"a@b.cd", 1, 2, Action::Cut, L"", L"ab.cd"},
    {Kind::Email, L"x.y", 0, 1, Action::Cut, L"", L"x.y"},
    {Kind::Email, L"x.y", 0, 1, Action::Clear, L"", L"x.y"},
    {Kind::Email, L"x.yz", 3, 4, Action::Clear, L"", L"x.y"},
    {Kind::Email, L"ab", 2, 2, Action::Char, L"_", L"ab_"},
    {Kind::Email, L"a@b", 3, 3, Action::Char, L"_", L"a@b"},
    {Kind::Email, L"a@b", 3, 3, Action::Paste, L"@c.de", L"a@b"},
    {Kind::Host, L"h:6553", 6, 6, Action::Char, L"6", L"h:6553"},
    {Kind::Host, L"h:6553", 6, 6, Action::Char, L"5", L"h:65535"},
    {Kind::Phone, L"", 0, 0, Action::Char, L"-", L""},
    {Kind::Phone, L"+34", 3, 3, Action::Char, L"+", L"+34"},
    {Kind::Phone, L"+34 (91", 7, 7, Action::Char, L")", L"+34 (91)"},
};

void Perform(HWND edit, const Step& step) {
    switch (step.action) {
    case Action::Char:
        SendMessageW(edit, WM_CHAR, step.arg[0], 1);
        break;
    case Action::Backspace:
        SendMessageW(edit, WM_CHAR, VK_BACK, 1);
        break;
    case Action::Delete:
        SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 1);
        break;
    case Action::Cut:
        SendMessageW(edit, WM_CUT, 0, 0);
        break;
    case Action::Clear:
        SendMessageW(edit, WM_CLEAR, 0, 0);
        break;
    case Action::Paste:
        SetClipboard(step.arg);
        SendMessageW(edit, WM_PASTE, 0, 0);
        break;
    case Action::ReplaceSel:
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(step.arg));
        break;
    case Action::Undo:
        SendMessageW(edit, WM_UNDO, 0, 0);
        break;
    }
}

class ValidatingEditPaths : public testing::TestWithParam<Path> {};

} // namespace

INSTANTIATE_TEST_SUITE_P(, ValidatingEditPaths, testing::Values(Path::FollowSystem, Path::Mbcs),
                         [](const auto& info) { return info.param == Path::Mbcs ? "Mbcs" : "Unicode"; });

TEST_P(ValidatingEditPaths, SubclassesForTheMessagesOfItsPath) {
    EditDialog dialog;
    ValidatingEdit edit(128, GetParam());
    ASSERT_TRUE(edit.SubclassDlgItem(kEditId, GetParent(dialog.Edit())));
    // Wine reports the NT family: only the switch makes the edit take ANSI messages.
    EXPECT_EQ(edit.UsesMbcs(), GetParam() == Path::Mbcs);
    EXPECT_EQ(IsWindowUnicode(dialog.Edit()) == FALSE, GetParam() == Path::Mbcs);
    EXPECT_EQ(Window::FromHandle(dialog.Edit()), &edit);
}

TEST_P(ValidatingEditPaths, EditingMessagesEndWithThePredictedText) {
    for (const Step& step : kSteps) {
        EditDialog dialog;
        auto edit = MakeEdit(step.kind, GetParam());
        ASSERT_TRUE(edit->SubclassDlgItem(kEditId, GetParent(dialog.Edit())));
        edit->SetWindowUnicode(step.before);
        SendMessageW(dialog.Edit(), EM_SETSEL, step.selStart, step.selEnd);
        Perform(dialog.Edit(), step);
        const std::wstring what = std::wstring(step.before) + L" / " + step.arg;
        EXPECT_EQ(edit->GetWindowUnicode(), step.after) << testing::PrintToString(what);
        EXPECT_EQ(Shown(dialog.Edit()), step.after) << testing::PrintToString(what);
    }
}

TEST_P(ValidatingEditPaths, TypingStopsAtTheByteLimit) {
    struct Typing {
        std::wstring character;
        size_t keptUnits;
    };
    std::vector<Typing> cases = {{L"a", 127}, {L"\u00e9", 63}};
    if (GetParam() != Path::Mbcs)               // the ANSI code page has no surrogates
        cases.push_back({L"\xD83D\xDE00", 62}); // 31 pairs; the 32nd leaves no half behind
    for (const Typing& c : cases) {
        EditDialog dialog;
        ValidatingEdit edit(128, GetParam());
        ASSERT_TRUE(edit.SubclassDlgItem(kEditId, GetParent(dialog.Edit())));
        for (int i = 0; i < 140; ++i)
            for (wchar_t unit : c.character)
                SendMessageW(dialog.Edit(), WM_CHAR, unit, 1);
        EXPECT_EQ(edit.GetWindowUnicode().size(), c.keptUnits) << testing::PrintToString(c.character);
        EXPECT_EQ(Shown(dialog.Edit()).size(), c.keptUnits);
    }
}

TEST_P(ValidatingEditPaths, SetWindowUnicodeIsTheOnlyWayToSetTheText) {
    EditDialog dialog;
    EmailEdit edit(128, GetParam());
    ASSERT_TRUE(edit.SubclassDlgItem(kEditId, GetParent(dialog.Edit())));
    edit.SetWindowUnicode(L"ana@correo.es");
    EXPECT_EQ(Shown(dialog.Edit()), L"ana@correo.es");
    SetWindowTextW(dialog.Edit(), L"otro"); // shows the stored text instead
    EXPECT_EQ(edit.GetWindowUnicode(), L"ana@correo.es");
    edit.SetWindowUnicode(nullptr);
    EXPECT_EQ(edit.GetWindowUnicode(), L"");
    EXPECT_EQ(Shown(dialog.Edit()), L"");
}

TEST_P(ValidatingEditPaths, HiddenOrDisabledControlAcceptsAnythingAndPassesFinally) {
    for (const bool hide : {false, true}) {
        EditDialog dialog;
        EmailEdit edit(8, GetParam());
        ASSERT_TRUE(edit.SubclassDlgItem(kEditId, GetParent(dialog.Edit())));
        edit.SetWindowUnicode(L"a@b.c");
        EXPECT_FALSE(edit.FinalValidation());
        if (hide)
            edit.Show(SW_HIDE);
        else
            edit.Enable(false);
        SendMessageW(dialog.Edit(), EM_SETSEL, 5, 5);
        for (const wchar_t c : std::wstring(L" @@xyz"))
            SendMessageW(dialog.Edit(), WM_CHAR, c, 1);
        EXPECT_EQ(edit.GetWindowUnicode(), L"a@b.c @@xyz");
        EXPECT_TRUE(edit.FinalValidation());
    }
}

TEST_P(ValidatingEditPaths, FinalValidationAppliesTheFinalRules) {
    struct Final {
        Kind kind;
        const wchar_t* text;
        bool passes;
    };
    const Final cases[] = {
        {Kind::Email, L"a@b.cd", true},   {Kind::Email, L"a@b.c", false},  {Kind::Email, L"", true},
        {Kind::Host, L"srv:8080", true},  {Kind::Host, L"srv:", false},    {Kind::Phone, L"(91) 555", true},
        {Kind::Phone, L"(91 555", false}, {Kind::Base8, L"abcdefg", true}, {Kind::Base8, L"abcdefgh", false},
    };
    for (const Final& c : cases) {
        EditDialog dialog;
        auto edit = MakeEdit(c.kind, GetParam());
        ASSERT_TRUE(edit->SubclassDlgItem(kEditId, GetParent(dialog.Edit())));
        edit->SetWindowUnicode(c.text); // the program's own value is shown unchecked
        EXPECT_EQ(edit->FinalValidation(), c.passes) << testing::PrintToString(std::wstring(c.text));
    }
}

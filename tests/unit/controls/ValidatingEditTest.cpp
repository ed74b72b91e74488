#include "controls/EmailEdit.h"
#include "controls/HostEdit.h"
#include "controls/PhoneEdit.h"

#include <gtest/gtest.h>
#include <imm.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kEditId = 100;
using Path = ValidatingEdit::TextPath;

// A visible dialog with one single-line edit, from an in-memory template.
struct alignas(4) OneEditTemplate {
    DLGTEMPLATE dialog{WS_POPUP | WS_VISIBLE, 0, 1, 0, 0, 200, 40};
    WORD menu = 0, windowClass = 0, title = 0;
    DLGITEMTEMPLATE edit{WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 0, 5, 5, 190, 14, kEditId};
    WORD editClass[2] = {0xFFFF, 0x0081}; // the predefined edit class
    WORD editText = 0, creationData = 0;
};

enum class Kind { Base8, Base128, Email, Host, Phone };

std::unique_ptr<ValidatingEdit> MakeEdit(Kind kind, Path path) {
    switch (kind) {
    case Kind::Base8:
        return std::make_unique<ValidatingEdit>(8, path); // 7 bytes of text
    case Kind::Base128:
        return std::make_unique<ValidatingEdit>(128, path);
    case Kind::Email:
        return std::make_unique<EmailEdit>(128, path);
    case Kind::Host:
        return std::make_unique<HostEdit>(-1, path);
    default:
        return std::make_unique<PhoneEdit>(32, path);
    }
}

// A visible dialog whose edit is subclassed by an edit of the kind asked for.
struct EditInDialog {
    EditInDialog(Kind kind, Path path) : edit(MakeEdit(kind, path)) {
        static const OneEditTemplate kTemplate;
        dialog = CreateDialogIndirectParamW(
            GetModuleHandleW(nullptr), &kTemplate.dialog, nullptr,
            [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR { return msg == WM_INITDIALOG; }, 0);
        hwnd = GetDlgItem(dialog, kEditId);
        EXPECT_TRUE(edit->Subclass(hwnd));
    }
    ~EditInDialog() { DestroyWindow(dialog); }
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return SendMessageW(hwnd, msg, wp, lp); }
    // The system's input method composes text and completes it, as the user does.
    void Compose(const std::wstring& text) {
        SetFocus(hwnd);
        HIMC context = ImmGetContext(hwnd);
        ImmSetCompositionStringW(context, SCS_SETSTR, const_cast<wchar_t*>(text.c_str()),
                                 static_cast<DWORD>(text.size() * sizeof(wchar_t)), nullptr, 0);
        ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
        ImmReleaseContext(hwnd, context);
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&msg);
    }

    std::unique_ptr<ValidatingEdit> edit;
    HWND dialog = nullptr;
    HWND hwnd = nullptr;
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

// One editing message on a prepared text and selection, and the text it must leave. The
// text argument is the clipboard of WM_PASTE, the replacement of EM_REPLACESEL and what
// an input method composed for WM_IME_COMPOSITION (delivered by the input method).
struct Step {
    Kind kind;
    const wchar_t* before;
    int selStart, selEnd;
    UINT msg;
    WPARAM wp;
    const wchar_t* text;
    const wchar_t* after;
};

const Step kSteps[] = {
    {Kind::Base8, L"abcdef", 6, 6, WM_CHAR, 'g', L"", L"abcdefg"},
    {Kind::Base8, L"abcdefg", 7, 7, WM_CHAR, 'h', L"", L"abcdefg"}, // 8 bytes: refused
    {Kind::Base8, L"abcdef", 6, 6, WM_CHAR, 0xE9, L"", L"abcdef"},  // 2 more bytes: refused
    {Kind::Base8, L"abcdefg", 0, 7, WM_CHAR, 0xE9, L"", L"\u00e9"}, // replaces the selection
    {Kind::Base8, L"abc", 3, 3, WM_PASTE, 0, L"defgh", L"abc"},     // refused as a whole
    {Kind::Base8, L"abc", 3, 3, WM_PASTE, 0, L"defg", L"abcdefg"},
    {Kind::Base8, L"abc", 1, 1, WM_PASTE, 0, L"x\r\nyyyyyyyy", L"axbc"}, // first line only
    {Kind::Base8, L"abc", 3, 3, EM_REPLACESEL, TRUE, L"defgh", L"abc"},
    {Kind::Base8, L"abc", 1, 2, EM_REPLACESEL, TRUE, L"XY", L"aXYc"},
    {Kind::Base8, L"abc", 3, 3, WM_UNDO, 0, L"", L"abc"},
    {Kind::Base8, L"abcdef", 6, 6, WM_UNICHAR, 'g', L"", L"abcdefg"},
    {Kind::Base8, L"abcdef", 6, 6, WM_UNICHAR, 0x1F600, L"", L"abcdef"},
    {Kind::Base8, L"abc", 3, 3, WM_IME_COMPOSITION, GCS_RESULTSTR, L"defg", L"abcdefg"},
    {Kind::Base8, L"abc", 3, 3, WM_IME_COMPOSITION, GCS_RESULTSTR, L"d\u00e9fg", L"abc"},
    {Kind::Email, L"a.b", 1, 1, WM_CHAR, VK_BACK, L"", L"a.b"}, // would leave ".b"
    {Kind::Email, L"a.b", 0, 0, WM_CHAR, VK_BACK, L"", L"a.b"}, // at the start: unchanged, passes
    {Kind::Email, L"a.b", 3, 3, WM_CHAR, VK_BACK, L"", L"a."},
    {Kind::Email, L"a.b", 3, 3, WM_KEYDOWN, VK_DELETE, L"", L"a.b"}, // at the end: unchanged, passes
    {Kind::Email, L"a.b", 0, 0, WM_KEYDOWN, VK_DELETE, L"", L"a.b"},
    {Kind::Email, L"ab.c", 0, 0, WM_KEYDOWN, VK_DELETE, L"", L"b.c"},
    {Kind::Email, L"a@b.cd", 1, 2, WM_CUT, 0, L"", L"ab.cd"},
    {Kind::Email, L"x.y", 0, 1, WM_CUT, 0, L"", L"x.y"},
    {Kind::Email, L"x.y", 0, 1, WM_CLEAR, 0, L"", L"x.y"},
    {Kind::Email, L"x.yz", 3, 4, WM_CLEAR, 0, L"", L"x.y"},
    {Kind::Email, L"ab", 2, 2, WM_CHAR, '_', L"", L"ab_"},
    {Kind::Email, L"a@b", 3, 3, WM_CHAR, '_', L"", L"a@b"},
    {Kind::Email, L"a@b", 3, 3, WM_PASTE, 0, L"@c.de", L"a@b"},
    {Kind::Email, L"a@b", 3, 3, WM_IME_COMPOSITION, GCS_RESULTSTR, L"@c", L"a@b"},
    {Kind::Host, L"h:6553", 6, 6, WM_CHAR, '6', L"", L"h:6553"},
    {Kind::Host, L"h:6553", 6, 6, WM_CHAR, '5', L"", L"h:65535"},
    {Kind::Phone, L"", 0, 0, WM_CHAR, '-', L"", L""},
    {Kind::Phone, L"+34", 3, 3, WM_CHAR, '+', L"", L"+34"},
    {Kind::Phone, L"+34 (91", 7, 7, WM_CHAR, ')', L"", L"+34 (91)"},
};

class ValidatingEditPaths : public testing::TestWithParam<Path> {};

} // namespace

INSTANTIATE_TEST_SUITE_P(, ValidatingEditPaths, testing::Values(Path::FollowSystem, Path::Mbcs),
                         [](const auto& info) { return info.param == Path::Mbcs ? "Mbcs" : "Unicode"; });

TEST_P(ValidatingEditPaths, EditingMessagesEndWithThePredictedText) {
    for (const Step& step : kSteps) {
        EditInDialog t(step.kind, GetParam());
        t.edit->SetWindowUnicode(step.before);
        t.Send(EM_SETSEL, step.selStart, step.selEnd);
        if (step.msg == WM_PASTE)
            SetClipboard(step.text);
        if (step.msg == WM_IME_COMPOSITION)
            t.Compose(step.text);
        else
            t.Send(step.msg, step.wp, step.msg == EM_REPLACESEL ? LPARAM(step.text) : 0);
        const std::wstring what = std::wstring(step.before) + L" / " + std::to_wstring(step.msg);
        EXPECT_EQ(t.edit->GetWindowUnicode(), step.after) << testing::PrintToString(what);
        EXPECT_EQ(t.edit->Text(), step.after) << testing::PrintToString(what); // what the control shows
    }
}

TEST_P(ValidatingEditPaths, TypingStopsAtTheByteLimit) {
    std::vector<std::pair<std::wstring, size_t>> cases = {{L"a", 127}, {L"\u00e9", 63}};
    if (GetParam() != Path::Mbcs)               // the ANSI code page has no surrogates
        cases.push_back({L"\xD83D\xDE00", 62}); // 31 pairs; the 32nd leaves no half behind
    for (const auto& [character, keptUnits] : cases) {
        EditInDialog t(Kind::Base128, GetParam());
        for (int i = 0; i < 140; ++i)
            for (wchar_t unit : character)
                t.Send(WM_CHAR, unit, 1);
        EXPECT_EQ(t.edit->GetWindowUnicode().size(), keptUnits) << testing::PrintToString(character);
        EXPECT_EQ(t.edit->Text().size(), keptUnits);
    }
}

TEST_P(ValidatingEditPaths, HiddenOrDisabledControlAcceptsAnythingAndPassesFinally) {
    for (const int hide : {0, 1}) {
        EditInDialog t(Kind::Phone, GetParam());
        t.edit->SetWindowUnicode(L"(91");
        EXPECT_FALSE(t.edit->FinalValidation());
        hide ? t.edit->Show(SW_HIDE) : t.edit->Enable(false);
        t.Send(EM_SETSEL, 3, 3);
        for (const wchar_t c : std::wstring(L"((@ \u00e9 too long for 32 bytes"))
            t.Send(WM_CHAR, c, 1);
        EXPECT_EQ(t.edit->GetWindowUnicode(), L"(91((@ \u00e9 too long for 32 bytes");
        EXPECT_TRUE(t.edit->FinalValidation());
    }
}

TEST_P(ValidatingEditPaths, FinalValidationAppliesTheFinalRules) {
    const std::tuple<Kind, const wchar_t*, bool> cases[] = {
        {Kind::Email, L"a@b.cd", true},   {Kind::Email, L"a@b.c", false},  {Kind::Email, L"", true},
        {Kind::Host, L"srv:8080", true},  {Kind::Host, L"srv:", false},    {Kind::Phone, L"(91) 555", true},
        {Kind::Phone, L"(91 555", false}, {Kind::Base8, L"abcdefg", true}, {Kind::Base8, L"abcdefgh", false},
    };
    for (const auto& [kind, text, passes] : cases) {
        EditInDialog t(kind, GetParam());
        t.edit->SetWindowUnicode(text); // the program's own value is shown unchecked
        EXPECT_EQ(t.edit->FinalValidation(), passes) << testing::PrintToString(std::wstring(text));
    }
}

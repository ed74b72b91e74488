#include "controls/ValidatingEdit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <imm.h>

#include "core/TraceScope.h"
#include "core/WinUtil.h"

namespace {

std::u16string_view AsUtf16(const std::wstring& text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t");
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

bool IsHighSurrogate(wchar_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}
bool KeyDown(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

// The characters the edit control inserts when they are typed: everything from the space
// up but DEL. C1 controls count, or they would reach the text unchecked.
bool InsertsCharacter(wchar_t c) {
    return c >= L' ' && c != 0x7F;
}

// What an editing message does to the text, as the edit control itself does it.
enum class EditKind { Insert, DeleteForward, DeleteBackward, DeleteToEnd, RemoveSelection };

struct Edit {
    std::wstring text;
    size_t caret = 0;
};

struct Selection {
    size_t start = 0;
    size_t end = 0;
    bool empty() const { return start == end; }
};

Edit Predict(const std::wstring& text, Selection sel, EditKind kind, const std::wstring& insert = {}) {
    Edit edit{text, sel.start};
    if (kind == EditKind::Insert) {
        edit.text.replace(sel.start, sel.end - sel.start, insert);
        edit.caret = sel.start + insert.size();
        return edit;
    }
    if (!sel.empty()) {
        edit.text.erase(sel.start, sel.end - sel.start);
        return edit;
    }
    const size_t at = sel.start;
    switch (kind) {
    case EditKind::DeleteForward:
        if (at < text.size()) {
            // A surrogate pair is one character.
            const bool pair =
                IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1]);
            edit.text.erase(at, pair ? 2 : 1);
        }
        break;
    case EditKind::DeleteBackward:
        if (at > 0) {
            const bool pair = at >= 2 && IsLowSurrogate(text[at - 1]) && IsHighSurrogate(text[at - 2]);
            edit.caret = at - (pair ? 2 : 1);
            edit.text.erase(edit.caret, at - edit.caret);
        }
        break;
    case EditKind::DeleteToEnd:
        edit.text.erase(at);
        break;
    default:
        break;
    }
    return edit;
}

// The clipboard can be held for a moment by another window (a broadcast answered late).
bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 0; attempt < 12; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        Sleep(25);
    }
    return false;
}

// A single-line edit pastes the first line of the clipboard only.
std::wstring FirstLine(std::wstring text) {
    const size_t newline = text.find(L'\n');
    if (newline != std::wstring::npos)
        text.erase(newline > 0 && text[newline - 1] == L'\r' ? newline - 1 : newline);
    return text;
}

// What an input method puts into the control with a WM_IME_COMPOSITION of these flags:
// its composition's result, or nothing while the user is still composing.
std::wstring ImeResult(HWND edit, LPARAM flags) {
    std::wstring result;
    if (!(flags & GCS_RESULTSTR))
        return result;
    if (HIMC context = ImmGetContext(edit)) {
        const LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
        if (bytes > 0) {
            result.resize(static_cast<size_t>(bytes) / sizeof(wchar_t));
            ImmGetCompositionStringW(context, GCS_RESULTSTR, result.data(), static_cast<DWORD>(bytes));
        }
        ImmReleaseContext(edit, context);
    }
    return result;
}

template <typename Char> std::basic_string<Char> ReadClipboard(HWND owner, UINT format) {
    std::basic_string<Char> text;
    if (!OpenClipboardPatiently(owner))
        return text;
    if (HANDLE data = GetClipboardData(format)) {
        if (const auto* chars = static_cast<const Char*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

} // namespace

ValidatingEdit::ValidatingEdit(int maxUtf8Length, TextPath path)
    : ValidatingEdit(maxUtf8Length, path, nullptr) {}

ValidatingEdit::ValidatingEdit(int maxUtf8Length, TextPath path, CharacterRule rule)
    : m_maxUtf8Length(maxUtf8Length), m_rule(rule), m_forceMbcs(path == TextPath::Mbcs) {
    TraceScope scope("ValidatingEdit::ValidatingEdit");
}

ValidatingEdit::~ValidatingEdit() {
    TraceScope scope("ValidatingEdit::~ValidatingEdit");
}

void ValidatingEdit::PreSubclassWindow() {
    TraceScope scope("ValidatingEdit::PreSubclassWindow");
    // The NT family takes UTF-16 messages; the 9x family only has its code pages.
    const unsigned version = WinUtil::getWindowsVersion();
    if (version >= 101 && version < 201 && !m_forceMbcs)
        m_useMbcs = false;
    ReadKeyboardCodePage(LOWORD(reinterpret_cast<UINT_PTR>(GetKeyboardLayout(0))));
    m_ansiMessages = m_useMbcs;
}

void ValidatingEdit::ReadKeyboardCodePage(LANGID language) {
    TraceScope scope("ValidatingEdit::ReadKeyboardCodePage", true);
    m_keyboardLanguage = language;
    char codePage[6] = {};
    GetLocaleInfoA(MAKELCID(language, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE, codePage, sizeof codePage);
    m_keyboardCodePage = static_cast<UINT>(std::atoi(codePage));
}

void ValidatingEdit::SetWindowUnicode(const wchar_t* text) {
    TraceScope scope("ValidatingEdit::SetWindowUnicode");
    m_unicodeText = text ? text : L"";
    // The window procedure hands the control the stored text.
    Send(WM_SETTEXT, 0, 0);
}

void ValidatingEdit::GetWindowUnicode(std::wstring& text) {
    TraceScope scope("ValidatingEdit::GetWindowUnicode");
    text.clear();
    const LRESULT length = Send(WM_GETTEXTLENGTH);
    if (length <= 0)
        return;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    if (Send(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data())) > 0)
        text = m_unicodeText;
}

bool ValidatingEdit::CheckValid(const std::wstring& candidate) {
    TraceScope scope("ValidatingEdit::CheckValid", true);
    if (!IsWindowVisible(m_hwnd) || !IsWindowEnabled(m_hwnd))
        return true;
    if (OnValid(candidate))
        return true;
    MessageBeep(0);
    return false;
}

bool ValidatingEdit::FinalValidation() {
    TraceScope scope("ValidatingEdit::FinalValidation");
    if (!IsWindowVisible(m_hwnd) || !IsWindowEnabled(m_hwnd))
        return true;
    return OnFinalValidation(GetWindowUnicode());
}

int ValidatingEdit::GetUtf8Length(const std::wstring& text) {
    TraceScope scope("ValidatingEdit::GetUtf8Length", true);
    return EditRules::utf8Length(AsUtf16(text));
}

bool ValidatingEdit::OnValid(const std::wstring& text) {
    TraceScope scope("ValidatingEdit::OnValid", true);
    if (m_rule && !m_rule(AsUtf16(text), EditRules::Check::Typing))
        return false;
    return EditRules::lengthAllows(AsUtf16(text), m_maxUtf8Length);
}

bool ValidatingEdit::OnFinalValidation(const std::wstring& text) {
    TraceScope scope("ValidatingEdit::OnFinalValidation");
    if (m_rule && !m_rule(AsUtf16(text), EditRules::Check::Final))
        return false;
    return EditRules::lengthAllows(AsUtf16(text), m_maxUtf8Length);
}

LRESULT ValidatingEdit::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("ValidatingEdit::WindowProc", true);
    return m_useMbcs ? MBCSWndProc(msg, wp, lp) : UnicodeWndProc(msg, wp, lp);
}

// ---- Editing messages ----

namespace {

Selection ReadSelection(HWND edit, size_t textLength) {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    Selection sel{std::min<size_t>(start, textLength), std::min<size_t>(end, textLength)};
    if (sel.start > sel.end)
        std::swap(sel.start, sel.end);
    return sel;
}

// The delete key: with a selection it removes it (Shift cuts it); otherwise Shift deletes
// backwards, Ctrl to the end, and both together do nothing.
bool DeleteKeyEdit(bool hasSelection, EditKind& kind) {
    const bool shift = KeyDown(VK_SHIFT);
    const bool control = KeyDown(VK_CONTROL);
    if (KeyDown(VK_MENU) || (shift && control))
        return false;
    kind = hasSelection ? EditKind::RemoveSelection
           : shift      ? EditKind::DeleteBackward
           : control    ? EditKind::DeleteToEnd
                        : EditKind::DeleteForward;
    return true;
}

} // namespace

LRESULT ValidatingEdit::UnicodeWndProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("ValidatingEdit::UnicodeWndProc", true);
    // Checks the candidate of an editing message; the control does the edit itself.
    auto checked = [&](EditKind kind, const std::wstring& insert = {}) -> LRESULT {
        const std::wstring text = GetWindowUnicode();
        const Edit edit = Predict(text, ReadSelection(m_hwnd, text.size()), kind, insert);
        if (!CheckValid(edit.text))
            return 0;
        return DefaultProc(msg, wp, lp);
    };
    switch (msg) {
    case WM_SETTEXT:
        return DefaultProc(msg, wp, reinterpret_cast<LPARAM>(m_unicodeText.c_str()));
    case WM_GETTEXT: {
        const LRESULT copied = DefaultProc(msg, wp, lp);
        if (wp > 0 && lp)
            m_unicodeText.assign(reinterpret_cast<const wchar_t*>(lp),
                                 copied > 0 ? static_cast<size_t>(copied) : 0);
        return copied;
    }
    case WM_GETTEXTLENGTH:
        m_lastTextLength = DefaultProc(msg, wp, lp);
        return m_lastTextLength;
    case WM_KEYDOWN:
        if (wp == VK_DELETE) {
            EditKind kind = EditKind::DeleteForward;
            const std::wstring text = GetWindowUnicode();
            if (DeleteKeyEdit(!ReadSelection(m_hwnd, text.size()).empty(), kind))
                return checked(kind);
        } else if (wp == VK_INSERT && KeyDown(VK_SHIFT)) {
            // Shift+Insert pastes inside the control, without a WM_PASTE.
            const std::wstring clip = FirstLine(ReadClipboard<wchar_t>(m_hwnd, CF_UNICODETEXT));
            return clip.empty() ? 0 : checked(EditKind::Insert, clip);
        }
        return DefaultProc(msg, wp, lp);
    case WM_IME_CHAR: // an input method's character is typed like any other
    case WM_CHAR: {
        const auto c = static_cast<wchar_t>(wp);
        // The second half of a refused pair goes with its first.
        const bool halfOfRefused = m_refusedHighSurrogate && IsLowSurrogate(c);
        m_refusedHighSurrogate = false;
        if (halfOfRefused)
            return 0;
        if (c == VK_BACK)
            return KeyDown(VK_CONTROL) ? DefaultProc(msg, wp, lp) : checked(EditKind::DeleteBackward);
        if (!InsertsCharacter(c))
            return DefaultProc(msg, wp, lp);
        // The first half of a surrogate pair reserves room for the whole character, so a
        // pair that does not fit leaves no half behind.
        if (IsHighSurrogate(c)) {
            const std::wstring text = GetWindowUnicode();
            const Edit whole = Predict(text, ReadSelection(m_hwnd, text.size()), EditKind::Insert,
                                       std::wstring{c, static_cast<wchar_t>(0xDC00)});
            if (!CheckValid(whole.text)) {
                m_refusedHighSurrogate = true;
                return 0;
            }
            return DefaultProc(msg, wp, lp);
        }
        return checked(EditKind::Insert, std::wstring(1, c));
    }
    case WM_UNICHAR:
        // Input tools that type through WM_UNICHAR reach the control's typing without a
        // WM_CHAR: their characters go the WM_CHAR way, in UTF-16 units.
        if (wp == UNICODE_NOCHAR)
            return TRUE;
        if (wp > 0xFFFF && wp <= 0x10FFFF) {
            UnicodeWndProc(WM_CHAR, 0xD800 + ((wp - 0x10000) >> 10), lp);
            UnicodeWndProc(WM_CHAR, 0xDC00 + ((wp - 0x10000) & 0x3FF), lp);
        } else if (wp <= 0xFFFF) {
            UnicodeWndProc(WM_CHAR, wp, lp);
        }
        return FALSE;
    case WM_IME_COMPOSITION:
        // The result of a composition goes in like a paste; the control inserts it itself.
        if (const std::wstring result = ImeResult(m_hwnd, lp); !result.empty())
            return checked(EditKind::Insert, result);
        return DefaultProc(msg, wp, lp);
    case WM_CUT:
    case WM_CLEAR:
        return checked(EditKind::RemoveSelection);
    case WM_PASTE: {
        const std::wstring clip = FirstLine(ReadClipboard<wchar_t>(m_hwnd, CF_UNICODETEXT));
        return clip.empty() ? 0 : checked(EditKind::Insert, clip);
    }
    case EM_REPLACESEL:
        return checked(EditKind::Insert, lp ? reinterpret_cast<const wchar_t*>(lp) : L"");
    default:
        return DefaultProc(msg, wp, lp);
    }
}

// ---- The 9x family: ANSI messages, the stored text is the master copy ----

LRESULT ValidatingEdit::MBCSWndProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("ValidatingEdit::MBCSWndProc", true);
    // Checks the candidate of an editing message and applies it; the control never sees
    // the message. Cuts put the removed text on the clipboard first.
    auto applied = [&](EditKind kind, const std::wstring& insert = {}, bool toClipboard = false) -> LRESULT {
        const std::wstring text = GetWindowUnicode();
        const Selection sel = ReadSelection(m_hwnd, text.size());
        const Edit edit = Predict(text, sel, kind, insert);
        if (CheckValid(edit.text)) {
            if (toClipboard && !sel.empty())
                PutOnClipboardAsText(text.substr(sel.start, sel.end - sel.start));
            Apply(edit.text, edit.caret);
        }
        return 0;
    };
    switch (msg) {
    case WM_SETTEXT: {
        const std::string shown = WideToMBCSDefault(m_unicodeText);
        return DefaultProc(msg, wp, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    case WM_GETTEXTLENGTH:
        m_lastTextLength = static_cast<LRESULT>(m_unicodeText.size());
        return DefaultProc(msg, wp, lp);
    case WM_INPUTLANGCHANGEREQUEST:
    case WM_INPUTLANGCHANGE:
        ReadKeyboardCodePage(LOWORD(lp));
        return DefaultProc(msg, wp, lp);
    case WM_KEYDOWN:
        if (wp == VK_DELETE) {
            EditKind kind = EditKind::DeleteForward;
            const std::wstring text = GetWindowUnicode();
            const bool hasSelection = !ReadSelection(m_hwnd, text.size()).empty();
            if (DeleteKeyEdit(hasSelection, kind))
                return applied(kind, {}, hasSelection && KeyDown(VK_SHIFT));
        } else if (wp == VK_INSERT && KeyDown(VK_SHIFT)) {
            const std::wstring clip =
                FirstLine(MBCSToWideDefault(ReadClipboard<char>(m_hwnd, CF_TEXT).c_str()));
            return clip.empty() ? 0 : applied(EditKind::Insert, clip);
        } else if (wp == VK_INSERT && KeyDown(VK_CONTROL)) {
            return Send(WM_COPY);
        }
        return DefaultProc(msg, wp, lp);
    case WM_IME_CHAR:
        // An input method's character is typed like any other; a double-byte one comes
        // whole, its lead byte high.
        if (HIBYTE(LOWORD(wp)) != 0)
            wp = MAKEWORD(HIBYTE(LOWORD(wp)), LOBYTE(LOWORD(wp)));
        [[fallthrough]];
    case WM_CHAR: {
        // Multibyte assembly: a double-byte character comes whole or as lead and trail byte.
        if (HIBYTE(LOWORD(wp)) != 0) {
            m_pending[0] = LOBYTE(LOWORD(wp));
            m_pending[1] = HIBYTE(LOWORD(wp));
        } else if (m_pending[0] == 0) {
            m_pending[0] = LOBYTE(LOWORD(wp));
            if (IsDBCSLeadByte(m_pending[0]))
                return 0; // wait for the trail byte
        } else {
            m_pending[1] = LOBYTE(LOWORD(wp));
        }
        const std::wstring unit = MBCSToWide(reinterpret_cast<const char*>(m_pending));
        m_pending[0] = m_pending[1] = m_pending[2] = 0;
        const wchar_t c = unit.empty() ? L'\0' : unit[0];
        if (c == VK_BACK)
            return KeyDown(VK_CONTROL) ? 0 : applied(EditKind::DeleteBackward);
        if (!InsertsCharacter(c))
            return DefaultProc(msg, wp, lp);
        return applied(EditKind::Insert, std::wstring(1, c));
    }
    case WM_UNICHAR:
        // Unknown to the 9x family; its characters are typed like WM_CHAR ones.
        if (wp == UNICODE_NOCHAR)
            return FALSE;
        if (wp <= 0xFFFF && InsertsCharacter(static_cast<wchar_t>(wp)))
            return applied(EditKind::Insert, std::wstring(1, static_cast<wchar_t>(wp)));
        return 0;
    case WM_IME_COMPOSITION:
        if (const std::wstring result = ImeResult(m_hwnd, lp); !result.empty())
            return applied(EditKind::Insert, result);
        return DefaultProc(msg, wp, lp);
    case WM_CUT:
        return applied(EditKind::RemoveSelection, {}, true);
    case WM_CLEAR:
        // Applied here too: passing it on would leave the stored text behind.
        return applied(EditKind::RemoveSelection);
    case WM_COPY: {
        const std::wstring text = GetWindowUnicode();
        const Selection sel = ReadSelection(m_hwnd, text.size());
        if (!sel.empty())
            PutOnClipboardAsText(text.substr(sel.start, sel.end - sel.start));
        return 0;
    }
    case WM_PASTE: {
        const std::wstring clip = FirstLine(MBCSToWideDefault(ReadClipboard<char>(m_hwnd, CF_TEXT).c_str()));
        return clip.empty() ? 0 : applied(EditKind::Insert, clip);
    }
    case EM_REPLACESEL:
        return applied(EditKind::Insert, MBCSToWideDefault(reinterpret_cast<const char*>(lp)));
    case WM_UNDO:
    case EM_UNDO:
        return 0; // the control's undo buffer does not know the stored text
    default:
        return DefaultProc(msg, wp, lp);
    }
}

void ValidatingEdit::Apply(const std::wstring& text, size_t caret) {
    TraceScope scope("ValidatingEdit::Apply", true);
    SetWindowUnicode(text.c_str());
    Send(EM_SETSEL, caret, static_cast<LPARAM>(caret));
    Send(EM_SCROLLCARET);
}

void ValidatingEdit::PutOnClipboardAsText(const std::wstring& text) {
    TraceScope scope("ValidatingEdit::PutOnClipboardAsText");
    const std::string bytes = WideToMBCSDefault(text);
    if (!OpenClipboardPatiently(m_hwnd))
        return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1)) {
        if (auto* chars = static_cast<char*>(GlobalLock(memory))) {
            memcpy(chars, bytes.c_str(), bytes.size() + 1);
            GlobalUnlock(memory);
        }
        if (!SetClipboardData(CF_TEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
}

// ---- Code-page conversions; a failed one gives an empty text ----

namespace {

std::wstring ToWide(UINT codePage, const char* text) {
    if (!text || !*text)
        return std::wstring();
    const int size = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (size <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    if (MultiByteToWideChar(codePage, 0, text, -1, wide.data(), size) != size)
        return std::wstring();
    wide.resize(static_cast<size_t>(size) - 1);
    return wide;
}

} // namespace

std::wstring ValidatingEdit::MBCSToWide(const char* text) const {
    TraceScope scope("ValidatingEdit::MBCSToWide", true);
    return ToWide(m_keyboardCodePage, text);
}

std::wstring ValidatingEdit::MBCSToWideDefault(const char* text) {
    TraceScope scope("ValidatingEdit::MBCSToWideDefault", true);
    return ToWide(CP_ACP, text);
}

std::string ValidatingEdit::WideToMBCSDefault(const std::wstring& text) {
    TraceScope scope("ValidatingEdit::WideToMBCSDefault", true);
    if (text.empty())
        return std::string();
    const int units = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string bytes(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), units, bytes.data(), size, nullptr, nullptr) != size)
        return std::string();
    return bytes;
}

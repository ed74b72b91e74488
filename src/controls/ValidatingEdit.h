#pragma once
// ValidatingEdit: a dialog's single-line edit that holds Unicode text, limits it by its
// length in UTF-8 bytes (the pen stores UTF-8) and refuses, before the control sees it,
// every change that would make the text invalid: typed characters, backspace, the delete
// key, cut, clear, paste and replaced selections. A refused change beeps and leaves the
// control as it was. Derived edits add character rules (EmailEdit, HostEdit, PhoneEdit).
//
// Pages read and write the text only through GetWindowUnicode and SetWindowUnicode: the
// object keeps its own copy, and on the 9x family (MBCS messages) that copy is the text.
#include <windows.h>

#include <string>
#include <string_view>

#include "controls/EditRules.h"
#include "framework/Window.h"

class ValidatingEdit : public Window {
public:
    // Which messages the edit is subclassed for. FollowSystem: ANSI (MBCS) messages on the
    // 9x family, UTF-16 on the NT family. Mbcs: ANSI messages on any system, which runs
    // the 9x-family procedure where only the NT family exists (tests).
    enum class TextPath { FollowSystem, Mbcs };

    // A negative maximum means no limit; the maximum counts the terminating zero.
    explicit ValidatingEdit(int maxUtf8Length, TextPath path = TextPath::FollowSystem);
    ~ValidatingEdit() override;

    // Shows the text (null clears it). The program's own value: it is not checked.
    void SetWindowUnicode(const wchar_t* text);
    void GetWindowUnicode(std::wstring& text);
    std::wstring GetWindowUnicode() {
        std::wstring text;
        GetWindowUnicode(text);
        return text;
    }

    // A candidate text of an edit: OnValid, with a beep when refused. A hidden or
    // disabled control accepts everything.
    bool CheckValid(const std::wstring& candidate);
    // Before a page may be left: OnFinalValidation of the text (true when hidden or
    // disabled).
    bool FinalValidation();

    // UTF-8 bytes of the text plus one for the terminating zero.
    static int GetUtf8Length(const std::wstring& text);
    int MaxUtf8Length() const { return m_maxUtf8Length; }
    // Whether the 9x-family procedure runs (decided when the edit is subclassed).
    bool UsesMbcs() const { return m_useMbcs; }

    virtual bool OnValid(const std::wstring& text);
    virtual bool OnFinalValidation(const std::wstring& text);

protected:
    // The character rule a derived edit adds to the length rule (none in the base).
    using CharacterRule = bool (*)(std::u16string_view, EditRules::Check);
    ValidatingEdit(int maxUtf8Length, TextPath path, CharacterRule rule);

    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    LRESULT UnicodeWndProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT MBCSWndProc(UINT msg, WPARAM wp, LPARAM lp);
    // The 9x-family procedure applies accepted edits itself.
    void Apply(const std::wstring& text, size_t caret);
    void PutOnClipboardAsText(const std::wstring& text);
    void ReadKeyboardCodePage(LANGID language);

    std::wstring MBCSToWide(const char* text) const;
    static std::wstring MBCSToWideDefault(const char* text);
    static std::string WideToMBCSDefault(const std::wstring& text);

    bool m_useMbcs = true;
    int m_maxUtf8Length;
    CharacterRule m_rule = nullptr;
    bool m_forceMbcs = false;        // TextPath::Mbcs
    unsigned char m_pending[3] = {}; // lead and trail byte of a character typed in two messages
    LANGID m_keyboardLanguage = 0x400;
    UINT m_keyboardCodePage = 0;
    std::wstring m_unicodeText; // transfer buffer (NT family) or the text itself (9x family)
    LRESULT m_lastTextLength = 0;
    bool m_refusedHighSurrogate = false; // its low half is refused too
};

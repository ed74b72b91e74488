#pragma once
// Control: one child window of another process's dialog, used as the user would use it.
// Edits, buttons, check boxes, static texts and combo boxes; list views have their own class.
#include <windows.h>

#include <string>
#include <vector>

namespace ui {

class Control {
public:
    Control() = default;
    explicit Control(HWND hwnd) : m_hwnd(hwnd) {}
    // The child with this id of a dialog: a page, a sheet, a message box.
    Control(HWND dialog, int id);

    HWND Hwnd() const { return m_hwnd; }
    explicit operator bool() const { return m_hwnd != nullptr; }
    int Id() const;
    std::wstring ClassName() const;
    std::wstring Text() const;
    bool IsEnabled() const;
    bool IsVisible() const;

    // WM_SETTEXT, as a program sets a text (an edit still reports EN_CHANGE).
    void SetText(const std::wstring& text) const;
    // WM_CHAR per character, as typed: an edit's own key filtering applies.
    void Type(const std::wstring& text) const;
    // Selects an edit's whole text, so that Type replaces it.
    void SelectAll() const;

    // BM_CLICK, sent: returns when the button's owner has handled the click.
    void Click() const;
    // BM_CLICK, posted: for buttons that open a modal dialog or close the window, whose
    // handler does not return while the test waits.
    void PostClick() const;
    int CheckState() const; // BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
    bool IsChecked() const { return CheckState() == BST_CHECKED; }

    // Combo boxes.
    std::vector<std::wstring> Items() const;
    int Selection() const; // -1 when none
    // Selects an item and tells the owner (CBN_SELCHANGE), as a choice in the list does.
    void Select(int index) const;

private:
    HWND m_hwnd = nullptr;
};

} // namespace ui

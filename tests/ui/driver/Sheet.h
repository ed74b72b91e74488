#pragma once
// Sheet: a property sheet of another process, driven through its tabs and pages.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/driver/Control.h"
#include "ui/driver/Wait.h"

namespace ui {

class Sheet {
public:
    // The sheet's own buttons, for Button().
    static constexpr int kOk = IDOK;
    static constexpr int kCancel = IDCANCEL;
    static constexpr int kApply = 0x3021;
    static constexpr int kHelp = 0x0009;

    Sheet() = default;
    explicit Sheet(HWND hwnd) : m_hwnd(hwnd) {}
    // The property sheet (#32770) of process pid with this caption, once it is visible and
    // shows a page; an empty Sheet when none does within the timeout.
    static Sheet Find(DWORD pid, const std::wstring& caption, DWORD timeoutMs = 2 * kTimeoutMs);

    HWND Hwnd() const { return m_hwnd; }
    explicit operator bool() const { return m_hwnd != nullptr; }
    std::wstring Caption() const { return Control(m_hwnd).Text(); }
    bool IsVisible() const { return m_hwnd && IsWindowVisible(m_hwnd); }
    // Visible with a visible current page.
    bool IsReady() const;
    // Gone: the window was destroyed.
    bool WaitClosed(DWORD timeoutMs = kTimeoutMs) const;

    HWND CurrentPage() const;
    int CurrentIndex() const; // -1 without a page
    std::wstring CurrentCaption() const;
    int PageCount() const;
    std::wstring TabCaption(int index) const;
    std::vector<std::wstring> TabCaptions() const;
    int IndexOf(const std::wstring& tabCaption) const; // -1 when no tab has it

    // Asks for the page (PSM_SETCURSEL, posted, since leaving a page may ask the user
    // something) and waits until it shows. False when the sheet stays where it was, e.g.
    // because the current page refused to be left.
    bool SelectPage(int index, DWORD timeoutMs = kTimeoutMs) const;
    bool SelectPage(const std::wstring& tabCaption, DWORD timeoutMs = kTimeoutMs) const;
    // The same through a mouse click on the tab.
    bool ClickTab(int index, DWORD timeoutMs = kTimeoutMs) const;
    // Waits until the page at index is the current one and visible.
    bool WaitPage(int index, DWORD timeoutMs = kTimeoutMs) const;

    // A control of the current page.
    Control Item(int id) const { return Control(CurrentPage(), id); }
    // One of the sheet's own buttons (kOk, kCancel, kApply, kHelp).
    Control Button(int id) const { return Control(m_hwnd, id); }

private:
    HWND Tabs() const;

    HWND m_hwnd = nullptr;
};

} // namespace ui

#pragma once
// MessageBoxWindow: a message box of another process: its text, caption and buttons.
#include <windows.h>

#include <string>

#include "ui/driver/Wait.h"

namespace ui {

class MessageBoxWindow {
public:
    // A message box is a #32770 dialog with its text in a static at this id.
    static constexpr int kTextId = 0xFFFF;

    MessageBoxWindow() = default;
    explicit MessageBoxWindow(HWND hwnd) : m_hwnd(hwnd) {}
    // The front-most visible, enabled message box of process pid (a dialog that opened a
    // box is disabled while the box is up, so it is never taken for one).
    static MessageBoxWindow Find(DWORD pid);
    // Find, polled until a box shows or the timeout passes.
    static MessageBoxWindow Wait(DWORD pid, DWORD timeoutMs = kTimeoutMs);

    HWND Hwnd() const { return m_hwnd; }
    explicit operator bool() const { return m_hwnd != nullptr; }
    std::wstring Text() const;
    std::wstring Caption() const;
    bool HasButton(int id) const; // IDOK, IDCANCEL, IDYES, IDNO...
    // Presses the button (posted: the box's owner goes on only after the box ends).
    void Answer(int id) const;
    bool WaitClosed(DWORD timeoutMs = kTimeoutMs) const;

private:
    HWND m_hwnd = nullptr;
};

} // namespace ui

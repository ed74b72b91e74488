#include "ui/driver/MessageBoxWindow.h"

#include "ui/driver/Control.h"
#include "ui/driver/Window.h"

namespace ui {

MessageBoxWindow MessageBoxWindow::Find(DWORD pid) {
    for (HWND hwnd : TopWindows(pid, L"#32770")) {
        HWND text = GetDlgItem(hwnd, kTextId);
        if (text && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
            lstrcmpiW(ClassName(text).c_str(), L"Static") == 0)
            return MessageBoxWindow(hwnd);
    }
    return {};
}

MessageBoxWindow MessageBoxWindow::Wait(DWORD pid, DWORD timeoutMs) {
    return WaitFor([&] { return Find(pid); }, timeoutMs);
}

std::wstring MessageBoxWindow::Text() const {
    return Control(m_hwnd, kTextId).Text();
}

std::wstring MessageBoxWindow::Caption() const {
    return Control(m_hwnd).Text();
}

bool MessageBoxWindow::HasButton(int id) const {
    HWND button = GetDlgItem(m_hwnd, id);
    return button && IsWindowVisible(button);
}

void MessageBoxWindow::Answer(int id) const {
    Post(m_hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_hwnd, id)));
}

bool MessageBoxWindow::WaitClosed(DWORD timeoutMs) const {
    return WaitUntil([&] { return !IsWindow(m_hwnd); }, timeoutMs);
}

} // namespace ui

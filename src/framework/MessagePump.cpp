#include "framework/MessagePump.h"

#include "framework/Window.h"

namespace {
// Messages after which the idle pass need not run again (as the old framework did).
bool IsIdleMessage(const MSG& msg) {
    return msg.message != WM_PAINT && msg.message != 0x0118 /* WM_SYSTIMER */ &&
           msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE;
}
} // namespace

bool PreTranslateToWindows(MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = GetParent(hwnd)) {
        Window* window = Window::FromHandle(hwnd);
        if (window && window->PreTranslateMessage(msg))
            return true;
    }
    return false;
}

int MessagePump(const std::function<BOOL(LONG)>& onIdle, const std::function<bool(const MSG&)>& onThreadMessage) {
    bool idle = true;
    LONG idleCount = 0;
    MSG msg{};
    for (;;) {
        while (idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!onIdle(idleCount++))
                idle = false;
        }
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            return got == 0 ? static_cast<int>(msg.wParam) : -1;
        if (msg.message == WM_KICKIDLE && !msg.hwnd) {
            idle = true;
            idleCount = 0;
            continue;
        }
        if (!msg.hwnd && onThreadMessage && onThreadMessage(msg)) {
            // handled by the thread
        } else if (!PreTranslateToWindows(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (IsIdleMessage(msg)) {
            idle = true;
            idleCount = 0;
        }
    }
}

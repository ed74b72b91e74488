#include "framework/ForegroundSwitch.h"

void BringWindowToFront(HWND window) {
    if (!window)
        return;
    DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD ourThread = GetCurrentThreadId();
    bool attached = foregroundThread && foregroundThread != ourThread &&
                    AttachThreadInput(foregroundThread, ourThread, TRUE);
    if (!IsWindowVisible(window))
        ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    if (attached)
        AttachThreadInput(foregroundThread, ourThread, FALSE);
}

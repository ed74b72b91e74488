#pragma once
// The message loop shared by the application and user-interface threads: idle pass
// while the queue is empty, PreTranslateMessage of the target window and its parents,
// then dispatch. Returns the WM_QUIT exit code.
#include <windows.h>
#include <functional>

// The framework's idle-kick message: posting it runs the idle pass again.
constexpr UINT WM_KICKIDLE = 0x036A;

// Thread messages (no window) go to onThreadMessage first; true means handled.
int MessagePump(const std::function<BOOL(LONG)>& onIdle,
                const std::function<bool(const MSG&)>& onThreadMessage = {});
// Offers msg to the Window objects from its target up through the parents.
bool PreTranslateToWindows(MSG* msg);

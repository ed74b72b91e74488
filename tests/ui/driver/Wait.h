#pragma once
// Waiting without blind sleeps: poll a condition every 10 ms until it holds or time is up.
#include <windows.h>

#include <utility>

namespace ui {

// Long enough for a busy Wine prefix, short enough that a broken test fails soon.
constexpr DWORD kTimeoutMs = 5000;

// True when done() held within the timeout; done() is asked at least once.
template <class Condition> bool WaitUntil(Condition&& done, DWORD timeoutMs = kTimeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(10);
    }
}

// The first result of find() that tests true, or the last (empty) one after the timeout.
template <class Finder> auto WaitFor(Finder&& find, DWORD timeoutMs = kTimeoutMs) {
    decltype(find()) found{};
    WaitUntil([&] { return static_cast<bool>(found = find()); }, timeoutMs);
    return found;
}

} // namespace ui

#pragma once
// Plain window look-ups and messages to another process's windows.
#include <windows.h>

#include <string>
#include <vector>

namespace ui {

// Top-level windows of process pid, front to back; only those of the class when given.
std::vector<HWND> TopWindows(DWORD pid, const wchar_t* className = nullptr);

std::wstring ClassName(HWND hwnd);

// SendMessage that gives up after a few seconds instead of hanging the test on a target
// that is blocked (for instance in a modal loop it should not be in); answers 0 then.
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Only posted messages return before a modal dialog that they open is closed again.
bool Post(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

} // namespace ui

#include "ui/driver/Window.h"

namespace ui {

namespace {
constexpr UINT kSendTimeoutMs = 5000;
}

std::vector<HWND> TopWindows(DWORD pid, const wchar_t* className) {
    struct Search {
        DWORD pid;
        const wchar_t* className;
        std::vector<HWND> found;
    } search{pid, className, {}};
    auto visit = [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s->pid && (!s->className || ClassName(hwnd) == s->className))
            s->found.push_back(hwnd);
        return TRUE;
    };
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    int length = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, length > 0 ? length : 0);
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(hwnd, message, wParam, lParam) != FALSE;
}

} // namespace ui

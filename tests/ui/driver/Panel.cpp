#include "ui/driver/Panel.h"

#include "ui/driver/Control.h"
#include "ui/driver/Window.h"

#include <ctime>

namespace ui {

HWND FindDialog(DWORD pid, const wchar_t* caption) {
    for (HWND hwnd : TopWindows(pid, L"#32770"))
        if (Control(hwnd).Text() == caption)
            return hwnd;
    return nullptr;
}

std::wstring LocalTimeText(long long secondsSince1970) {
    const __time64_t seconds = secondsSince1970;
    tm local{};
    if (_localtime64_s(&local, &seconds) != 0)
        return {};
    wchar_t text[32];
    wcsftime(text, 32, L"%Y-%m-%d %H:%M:%S", &local);
    return text;
}

bool InPartHourTimeZone() {
    TIME_ZONE_INFORMATION zone{};
    return GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias % 60 != 0;
}

} // namespace ui

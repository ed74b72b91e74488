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

void ShowInternetSettings(DWORD value) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Velar\\2.0\\Quillpad", 0, nullptr, 0, KEY_SET_VALUE,
                    nullptr, &key, nullptr);
    RegSetValueExW(key, L"ShowInternetSettings", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
    RegCloseKey(key);
}

} // namespace ui

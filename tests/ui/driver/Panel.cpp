#include "ui/driver/Panel.h"

#include "ui/driver/Control.h"
#include "ui/driver/Window.h"

namespace ui {

HWND FindDialog(DWORD pid, const wchar_t* caption) {
    for (HWND hwnd : TopWindows(pid, L"#32770"))
        if (Control(hwnd).Text() == caption)
            return hwnd;
    return nullptr;
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

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

std::optional<DWORD> ReadNumber(const wchar_t* key, const wchar_t* name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void WriteNumber(const wchar_t* key, const wchar_t* name, std::optional<DWORD> value) {
    if (value)
        RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &*value, sizeof(DWORD));
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
}

} // namespace ui

#pragma once
// The HTML Help control, loaded on first use: the library registered for its class, or
// hhctrl.ocx. When it can't be had, that is remembered and every call returns null.
#include <windows.h>
#include <string>

class HtmlHelpControl {
public:
    // HtmlHelpW(caller, file, command, data); null when help is not available.
    static HWND Call(HWND caller, const std::wstring& file, UINT command, DWORD_PTR data);

private:
    static bool Load();
};

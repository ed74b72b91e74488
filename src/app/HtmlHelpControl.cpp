#include "app/HtmlHelpControl.h"

#include "core/TraceScope.h"

namespace {
using HtmlHelpW_t = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
HMODULE g_module = nullptr;
HtmlHelpW_t g_htmlHelp = nullptr;
bool g_tried = false;

HMODULE LoadRegisteredControl() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof(path) - sizeof(wchar_t);
    DWORD type = 0;
    HMODULE module = nullptr;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        wchar_t expanded[MAX_PATH] = {};
        if (ExpandEnvironmentStringsW(path, expanded, MAX_PATH))
            module = LoadLibraryW(expanded);
    }
    RegCloseKey(key);
    return module;
}
} // namespace

bool HtmlHelpControl::Load() {
    TraceScope scope("HtmlHelpControl::Load");
    if (g_tried)
        return g_htmlHelp != nullptr;
    g_tried = true;
    g_module = LoadRegisteredControl();
    if (!g_module)
        g_module = LoadLibraryW(L"hhctrl.ocx");
    if (!g_module)
        return false;
    g_htmlHelp = reinterpret_cast<HtmlHelpW_t>(reinterpret_cast<void*>(GetProcAddress(g_module, "HtmlHelpW")));
    if (!g_htmlHelp) // the Unicode entry's ordinal
        g_htmlHelp = reinterpret_cast<HtmlHelpW_t>(reinterpret_cast<void*>(GetProcAddress(g_module, MAKEINTRESOURCEA(15))));
    return g_htmlHelp != nullptr;
}

HWND HtmlHelpControl::Call(HWND caller, const std::wstring& file, UINT command, DWORD_PTR data) {
    TraceScope scope("HtmlHelpControl::Call");
    if (!Load())
        return nullptr;
    return g_htmlHelp(caller, file.c_str(), command, data);
}

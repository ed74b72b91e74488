#include "InprocModule.h"

#include <olectl.h>

#include <string>

#include "DualObject.h"
#include "core/TraceScope.h"

namespace {

HMODULE g_module = nullptr;

// Machine-wide: Wine ignores per-user class registration.
std::wstring classKeyPath() {
    wchar_t guid[40];
    StringFromGUID2(kInprocClass.clsid, guid, 40);
    return std::wstring(L"Software\\Classes\\CLSID\\") + guid;
}

LSTATUS setString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ComServer::setTypeLibModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kInprocClass.clsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    return kInprocClass.getClassObject(riid, object);
}

STDAPI DllCanUnloadNow() {
    return ComServer::moduleLocks() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    TraceScope scope("DllRegisterServer");
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return SELFREG_E_CLASS;
    HKEY classKey = nullptr;
    HKEY serverKey = nullptr;
    LSTATUS rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, classKeyPath().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                 &classKey, nullptr);
    if (rc == ERROR_SUCCESS) {
        rc = setString(classKey, nullptr, kInprocClass.description);
        if (rc == ERROR_SUCCESS)
            rc = RegCreateKeyExW(classKey, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &serverKey,
                                 nullptr);
        if (rc == ERROR_SUCCESS) {
            rc = setString(serverKey, nullptr, path);
            if (rc == ERROR_SUCCESS)
                rc = setString(serverKey, L"ThreadingModel", kInprocClass.threadingModel);
            RegCloseKey(serverKey);
        }
        RegCloseKey(classKey);
    }
    if (rc != ERROR_SUCCESS) {
        scope.warning("Failed to register %ls (0x%08x).", kInprocClass.description,
                      static_cast<unsigned>(HRESULT_FROM_WIN32(rc)));
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

STDAPI DllUnregisterServer() {
    LSTATUS rc = RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKeyPath().c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

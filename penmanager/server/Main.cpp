// PenManager.exe: our stand-in for the suite's pen manager, a COM local server. One
// process serves every client and runs until told to quit, because it owns the (here
// simulated) pen connection.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

#include "DualObject.h"
#include "EventSource.h"
#include "PenObjects.h"
#include "PenStore.h"
#include "core/Log.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"

namespace {

// One stand-in per prefix, like the suite's pen manager: a second one (a client's
// activation racing a start from a script) leaves at once.
const wchar_t kInstanceMutex[] = L"Local\\QuillpadPenManagerStandIn";
// Set once the class objects are registered, for scripts and benches that start the
// stand-in themselves and must know when clients can reach it.
const wchar_t kReadyEvent[] = L"Local\\QuillpadPenManagerStandInReady";

std::wstring exePath() {
    wchar_t path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    return std::wstring(path, length);
}

std::wstring guidText(REFGUID guid) {
    wchar_t text[64];
    StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
    return text;
}

bool setValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
}

struct ServedClass {
    const CLSID* clsid;
    const wchar_t* name;
};
const ServedClass kClasses[] = {{&CLSID_PenManager, L"Velar Pen Manager (stand-in)"},
                                {&CLSID_PenManagerControl, L"Velar Pen Manager control (stand-in)"}};

// Machine-wide: Wine ignores per-user class registration.
int registerServer() {
    TraceScope trace("registerServer");
    const std::wstring path = exePath();
    for (const ServedClass& served : kClasses) {
        std::wstring key = L"Software\\Classes\\CLSID\\" + guidText(*served.clsid);
        if (!setValue(HKEY_LOCAL_MACHINE, key, nullptr, served.name) ||
            !setValue(HKEY_LOCAL_MACHINE, key + L"\\LocalServer32", nullptr, L"\"" + path + L"\"")) {
            Log::instance().error("Cannot register class %s.",
                                  StringPackage::wideToUtf8(guidText(*served.clsid)).c_str());
            return 1;
        }
    }
    ITypeLib* typeLib = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &typeLib);
    if (SUCCEEDED(hr)) {
        hr = RegisterTypeLib(typeLib, const_cast<OLECHAR*>(path.c_str()), nullptr);
        typeLib->Release();
    }
    if (FAILED(hr)) {
        Log::instance().error("Failed to register the type library (0x%08lx).",
                              static_cast<unsigned long>(hr));
        return 1;
    }
    return 0;
}

int unregisterServer() {
    TraceScope trace("unregisterServer");
    for (const ServedClass& served : kClasses)
        RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                       (L"Software\\Classes\\CLSID\\" + guidText(*served.clsid)).c_str());
    // The library id as the embedded type library states it.
    ITypeLib* typeLib = nullptr;
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(LoadTypeLibEx(exePath().c_str(), REGKIND_NONE, &typeLib))) {
        if (SUCCEEDED(typeLib->GetLibAttr(&attr))) {
            UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                              SYS_WIN64);
            typeLib->ReleaseTLibAttr(attr);
        }
        typeLib->Release();
    }
    return 0;
}

// The same factory answers for both classes: the manager is one shared object, each
// control client gets its own (stateless) control object.
class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(bool control) : control_(control) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (control_) {
            IPenManagerControl* control = newControlObject();
            HRESULT hr = control->QueryInterface(riid, ppv);
            control->Release();
            return hr;
        }
        return penManagerObject()->QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; } // we run until Quit anyway

private:
    bool control_;
};

std::wstring dataFolder() {
    wchar_t custom[MAX_PATH];
    if (GetEnvironmentVariableW(L"QP_PENMANAGER_DATA", custom, MAX_PATH) > 0)
        return custom;
    wchar_t appData[MAX_PATH] = L".";
    SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                     appData);
    return std::wstring(appData) + L"\\Velar\\PenManagerStandIn";
}

bool hasSwitch(const wchar_t* commandLine, const wchar_t* name) {
    for (const wchar_t* p = commandLine; (p = wcspbrk(p, L"/-")) != nullptr; ++p)
        if (_wcsnicmp(p + 1, name, wcslen(name)) == 0)
            return true;
    return false;
}

int serve() {
    TraceScope trace("serve");
    HANDLE instance = CreateMutexW(nullptr, TRUE, kInstanceMutex);
    if (!instance || GetLastError() == ERROR_ALREADY_EXISTS) {
        Log::instance().info("Another pen manager stand-in is serving; leaving.");
        if (instance)
            CloseHandle(instance);
        return 0;
    }
    PenStore::instance().open(dataFolder());
    penManagerObject(); // makes the connection point's container

    static ClassFactory managerFactory(false), controlFactory(true);
    DWORD cookies[2] = {};
    HRESULT hr = CoRegisterClassObject(CLSID_PenManager, &managerFactory, CLSCTX_LOCAL_SERVER,
                                       REGCLS_MULTIPLEUSE, &cookies[0]);
    if (SUCCEEDED(hr))
        hr = CoRegisterClassObject(CLSID_PenManagerControl, &controlFactory, CLSCTX_LOCAL_SERVER,
                                   REGCLS_MULTIPLEUSE, &cookies[1]);
    if (FAILED(hr)) {
        Log::instance().error("Failed to register the class objects (0x%08lx).",
                              static_cast<unsigned long>(hr));
        for (DWORD cookie : cookies)
            if (cookie)
                CoRevokeClassObject(cookie);
        return 1;
    }
    Log::instance().info("Pen manager stand-in serving (process %lu).", GetCurrentProcessId());
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kReadyEvent);
    if (ready)
        SetEvent(ready);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // Revoked, not killed: a killed server leaves a stale registration in Wine's RpcSs.
    for (DWORD cookie : cookies)
        CoRevokeClassObject(cookie);
    EventSource::instance().dropAll();
    CoDisconnectObject(penManagerObject(), 0);
    if (ready) {
        ResetEvent(ready);
        CloseHandle(ready);
    }
    CloseHandle(instance);
    Log::instance().info("Pen manager stand-in ended.");
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int rc;
    if (hasSwitch(commandLine, L"unregserver"))
        rc = unregisterServer();
    else if (hasSwitch(commandLine, L"regserver"))
        rc = registerServer();
    else
        rc = serve();
    ComServer::releaseTypeInfo();
    CoUninitialize();
    return rc;
}

// What the tests and benches that drive the real PenManager.exe share: small COM
// helpers, and the harness that kills the stand-in and brings it back.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>

#include "pen/PenManager.h"

namespace StandIn {

struct Bstr {
    BSTR value = nullptr;
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* out() {
        SysFreeString(value);
        value = nullptr;
        return &value;
    }
    std::wstring str() const { return value ? std::wstring(value, SysStringLen(value)) : std::wstring(); }
};

// Item index (from 1) of a collection as its interface, or null.
template <class I, class Collection>
Microsoft::WRL::ComPtr<I> item(Collection* collection, LONG index) {
    Microsoft::WRL::ComPtr<I> result;
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(collection->GetItem(index, &v)) && (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) && v.punkVal)
        v.punkVal->QueryInterface(IID_PPV_ARGS(&result));
    VariantClear(&v);
    return result;
}

// Serves the thread's apartment (incoming events) until done() or the timeout.
template <class Done>
bool pumpUntil(Done done, DWORD timeoutMs = 3000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        // Also wakes for messages already seen by a peek, such as COM's modal loop makes.
        MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return true;
}

// The stand-in's process, found through its control interface.
DWORD processId(IPenManagerControl* control);
// Ends the stand-in as a crash would (no revocation, no saving) and waits for it.
bool kill(IPenManagerControl* control);
// Whether a stand-in process runs in this prefix (it holds its single-instance mutex).
bool running();
// A killed server leaves a stale class registration in Wine's RpcSs, and every later
// activation fails with 0x800706BA until the service is restarted. Call only when no
// stand-in process is alive; the product itself never does this.
bool restartRpcSs();
// The folder of this executable, with its trailing backslash: the build's programs.
std::wstring binDir();
// Starts PenManager.exe from beside this executable, as a script would, and waits until
// its class objects are registered. Answers its process handle, or null.
HANDLE start(DWORD timeoutMs = 10000);

} // namespace StandIn

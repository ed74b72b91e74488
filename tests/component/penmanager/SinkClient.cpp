// A second client of the pen manager for the delivery tests: advises a sink, says it is
// ready, then ends without unadvising ("exit") or waits to be killed or frozen ("wait").
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <cwchar>

#include "EventSink.h"
#include "pen/PenManager.h"

using Microsoft::WRL::ComPtr;

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return 2;
    const bool wait = wcscmp(argv[1], L"wait") == 0;
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (!ready || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    static EventSink sink;
    ComPtr<IPenManager> manager;
    DWORD cookie = 0;
    if (FAILED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager))) ||
        !AdviseEvents(manager.Get(), &sink, cookie))
        return 1;
    SetEvent(ready);
    if (wait) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
    }
    // Gone without a word, as a crashed client would be.
    ExitProcess(0);
}

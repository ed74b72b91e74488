#include "framework/CoInit.h"

#include <objbase.h>

#include "core/TraceScope.h"

CoInit::CoInit() {
    TraceScope scope("CoInit::CoInit");
    scope.trace("Initializing COM (Apartment Threaded).");
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(hr))
        scope.warning("Failed to initialize COM (0x%08x).", static_cast<unsigned>(hr));
}

CoInit::~CoInit() {
    TraceScope scope("CoInit::~CoInit");
    scope.trace("Uninitializing COM.");
    CoUninitialize();
}

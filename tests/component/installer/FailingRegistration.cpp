// Shipped as PenOutbox.dll by the installer built for the rollback test: its
// registration fails as one that can't write its classes does.
#include <windows.h>
#include <olectl.h>

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
    return SELFREG_E_CLASS;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    return S_OK;
}

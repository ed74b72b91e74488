// The entry points of our in-process servers (DllMain, DllGetClassObject,
// DllCanUnloadNow, DllRegisterServer, DllUnregisterServer), written once: a DLL links the
// qp_inproc_module objects and says here which class it serves.
#pragma once

#include <windows.h>

struct InprocClass {
    const CLSID& clsid;
    const wchar_t* description;
    const wchar_t* threadingModel; // "Apartment", "Both"...
    HRESULT (*getClassObject)(REFIID riid, void** object);
};

// Defined by each DLL.
extern const InprocClass kInprocClass;

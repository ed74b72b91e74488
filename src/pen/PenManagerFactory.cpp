#include "pen/PenManagerFactory.h"

#include <oleauto.h>

#include <cwchar>

#include "core/TraceScope.h"

using Microsoft::WRL::ComPtr;

void PenManagerFactory::HoldTypeLibraries() {
    TraceScope scope("PenManagerFactory::HoldTypeLibraries");
    if (m_typeLibraries[0])
        return;
    // Found the way the marshaler finds it: through the interface's registration (the
    // library's registered id is not the header's).
    wchar_t key[80], libraryId[40] = {}, version[16] = {};
    wchar_t iid[40];
    StringFromGUID2(IID_IPenManager, iid, 40);
    swprintf(key, 80, L"Interface\\%ls\\TypeLib", iid);
    DWORD size = sizeof libraryId;
    DWORD versionSize = sizeof version;
    GUID library{};
    unsigned major = 0, minor = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, libraryId, &size) != ERROR_SUCCESS ||
        RegGetValueW(HKEY_CLASSES_ROOT, key, L"Version", RRF_RT_REG_SZ, nullptr, version, &versionSize) !=
            ERROR_SUCCESS ||
        FAILED(CLSIDFromString(libraryId, &library)) || swscanf(version, L"%x.%x", &major, &minor) != 2) {
        scope.trace("The pen manager's type library is not registered.");
        return;
    }
    HRESULT hr = LoadRegTypeLib(library, static_cast<WORD>(major), static_cast<WORD>(minor), 0, &m_typeLibraries[0]);
    if (FAILED(hr)) {
        scope.trace("Failed to load the pen manager's type library (0x%08x).", static_cast<unsigned>(hr));
        return;
    }
    LoadRegTypeLib(IID_StdOle, STDOLE2_MAJORVERNUM, STDOLE2_MINORVERNUM, 0, &m_typeLibraries[1]);
}

HRESULT PenManagerFactory::Create(ComPtr<IPenManager>& manager) {
    TraceScope scope("PenManagerFactory::Create");
    manager.Reset();
    if (m_factory) {
        const HRESULT hr = m_factory->CreateInstance(nullptr, IID_PPV_ARGS(&manager));
        if (SUCCEEDED(hr))
            return hr;
        // The server is gone (or refuses): start over with a fresh activation.
        scope.trace("Class factory failed (0x%08x); activating again.", static_cast<unsigned>(hr));
        m_factory.Reset();
        manager.Reset();
    }
    HRESULT hr = CoGetClassObject(CLSID_PenManager, CLSCTX_LOCAL_SERVER, nullptr, IID_PPV_ARGS(&m_factory));
    if (FAILED(hr))
        return hr;
    HoldTypeLibraries();
    hr = m_factory->CreateInstance(nullptr, IID_PPV_ARGS(&manager));
    if (FAILED(hr))
        m_factory.Reset();
    return hr;
}

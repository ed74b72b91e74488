#include "pen/PenManagerFactory.h"

#include "core/TraceScope.h"

using Microsoft::WRL::ComPtr;

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
    hr = m_factory->CreateInstance(nullptr, IID_PPV_ARGS(&manager));
    if (FAILED(hr))
        m_factory.Reset();
    return hr;
}

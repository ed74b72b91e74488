// The class object of an in-process class T: CoCreateInstance makes a T with each call.
#pragma once

#include <new>

#include "DualObject.h"

template <class T> class ClassFactory : public ComObject<IClassFactory> {
public:
    ClassFactory() { ComServer::lockModule(); }
    ~ClassFactory() override { ComServer::unlockModule(); }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* made = new (std::nothrow) T;
        if (!made)
            return E_OUTOFMEMORY;
        HRESULT hr = made->QueryInterface(riid, object);
        made->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ComServer::lockModule();
        else
            ComServer::unlockModule();
        return S_OK;
    }

    // DllGetClassObject's answer.
    static HRESULT Get(REFIID riid, void** object) {
        auto* factory = new (std::nothrow) ClassFactory;
        if (!factory)
            return E_OUTOFMEMORY;
        HRESULT hr = factory->QueryInterface(riid, object);
        factory->Release();
        return hr;
    }
};

#include "ClassFactory.h"

#include "DualObject.h"
#include "StorageApi.h"

ClassFactory::ClassFactory() {
    ComServer::lockModule();
}
ClassFactory::~ClassFactory() {
    ComServer::unlockModule();
}

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() {
    return ++refs_;
}

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
    ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    auto* api = new (std::nothrow) StorageApi;
    if (!api)
        return E_OUTOFMEMORY;
    HRESULT hr = api->QueryInterface(riid, object);
    api->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
    if (lock)
        ComServer::lockModule();
    else
        ComServer::unlockModule();
    return S_OK;
}

#pragma once

#include "Module.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <atomic>

// Reference count and IDispatch of a dual interface, IDispatch answered through the
// interface's type information from the type library embedded in this module.
template <class Interface> class DualObject : public Interface {
public:
    DualObject() { Module::addRef(); }
    virtual ~DualObject() { Module::release(); }
    DualObject(const DualObject&) = delete;
    DualObject& operator=(const DualObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = typeInfo() ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        ITypeInfo* own = typeInfo();
        if (!own)
            return E_NOTIMPL;
        own->AddRef();
        *info = own;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ITypeInfo* own = typeInfo();
        return own ? DispGetIDsOfNames(own, names, count, ids) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override {
        ITypeInfo* own = typeInfo();
        return own ? DispInvoke(static_cast<Interface*>(this), own, id, flags, params, result, exception,
                                argError)
                   : E_NOTIMPL;
    }

private:
    // Loaded once per object; null when the embedded type library cannot be read.
    ITypeInfo* typeInfo() {
        if (!typeInfo_ && !typeInfoTried_) {
            typeInfoTried_ = true;
            wchar_t path[MAX_PATH];
            if (GetModuleFileNameW(Module::handle(), path, MAX_PATH)) {
                Microsoft::WRL::ComPtr<ITypeLib> library;
                if (SUCCEEDED(LoadTypeLibEx(path, REGKIND_NONE, &library)))
                    library->GetTypeInfoOfGuid(__uuidof(Interface), &typeInfo_);
            }
        }
        return typeInfo_.Get();
    }

    std::atomic<ULONG> refs_{1};
    Microsoft::WRL::ComPtr<ITypeInfo> typeInfo_;
    bool typeInfoTried_ = false;
};

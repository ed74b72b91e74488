// Reference counting and IDispatch for the stand-in's objects. Dispatch goes through
// the type library embedded in this executable, so late-bound callers see exactly the
// interface the panel compiles against.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <atomic>

#include "pen/PenManager.h"

// The interface part of a dual interface's type information (what ITypeInfo::Invoke
// needs to reach the vtable); null when the type library could not be loaded.
ITypeInfo* interfaceTypeInfo(REFIID iid);

template <class I>
class DispatchObject : public I {
public:
    DispatchObject() = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;
    virtual ~DispatchObject() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(I)) {
            *ppv = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        return queryOther(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = interfaceTypeInfo(__uuidof(I)) ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        ITypeInfo* ti = interfaceTypeInfo(__uuidof(I));
        if (index != 0 || !ti)
            return DISP_E_BADINDEX;
        ti->AddRef();
        *info = ti;
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                               DISPID* ids) override {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* ti = interfaceTypeInfo(__uuidof(I));
        return ti ? DispGetIDsOfNames(ti, names, count, ids) : E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* ti = interfaceTypeInfo(__uuidof(I));
        if (!ti)
            return E_NOTIMPL;
        return ti->Invoke(static_cast<I*>(this), id, flags, params, result, excep, argErr);
    }

protected:
    // Extra interfaces of an object (the connection point container of the manager).
    virtual HRESULT queryOther(REFIID, void**) { return E_NOINTERFACE; }

private:
    std::atomic<ULONG> refs_{1};
};

// Hands a freshly made object (reference count 1) out through an out parameter.
template <class I, class T>
HRESULT handOut(T* object, I** out) {
    if (!out) {
        object->Release();
        return E_POINTER;
    }
    *out = object;
    return S_OK;
}

// Collections hand their items out as VT_DISPATCH variants.
template <class T>
HRESULT handOutVariant(T* object, VARIANT* out) {
    if (!out) {
        object->Release();
        return E_POINTER;
    }
    VariantInit(out);
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    return S_OK;
}

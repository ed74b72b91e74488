// Reference counting and IDispatch for the objects our COM servers hand out (the pen
// manager stand-in and the storage API). IDispatch goes through the type library
// embedded in the serving module, so late-bound callers see exactly the interfaces the
// panel compiles against.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <atomic>

namespace ComServer {

// The module whose resource 1 TYPELIB answers IDispatch; null (the default) is the
// process's executable. A DLL server sets its own handle when it is loaded.
void setTypeLibModule(HMODULE module);
// The vtable part of a dual interface's type information (what ITypeInfo::Invoke needs
// to reach the methods); null when the type library has no such interface.
ITypeInfo* interfaceTypeInfo(REFIID iid);
// Releases the type library and the cached type information (before CoUninitialize).
void releaseTypeInfo();

// Live objects plus server locks: a DLL server may be unloaded when none are left.
void lockModule();
void unlockModule();
long moduleLocks();

} // namespace ComServer

// Reference counting and QueryInterface of an object that serves one interface I.
template <class I>
class ComObject : public I {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    virtual ~ComObject() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == __uuidof(I) || isBase(riid)) {
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

protected:
    // Interfaces that I derives from, answered with the same pointer.
    virtual bool isBase(REFIID) const { return false; }
    // Further interfaces of an object (the manager's connection point container).
    virtual HRESULT queryOther(REFIID, void**) { return E_NOINTERFACE; }

private:
    std::atomic<ULONG> refs_{1};
};

// A dual interface: IDispatch answered from the type library. Every live object keeps a
// DLL server loaded.
template <class I>
class DualObject : public ComObject<I> {
public:
    DualObject() { ComServer::lockModule(); }
    ~DualObject() override { ComServer::unlockModule(); }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = ComServer::interfaceTypeInfo(__uuidof(I)) ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        ITypeInfo* ti = ComServer::interfaceTypeInfo(__uuidof(I));
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
        ITypeInfo* ti = ComServer::interfaceTypeInfo(__uuidof(I));
        return ti ? DispGetIDsOfNames(ti, names, count, ids) : E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        ITypeInfo* ti = ComServer::interfaceTypeInfo(__uuidof(I));
        if (!ti)
            return E_NOTIMPL;
        return ti->Invoke(static_cast<I*>(this), id, flags, params, result, excep, argErr);
    }

protected:
    bool isBase(REFIID riid) const override { return riid == IID_IDispatch; }
};

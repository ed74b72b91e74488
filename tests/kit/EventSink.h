#pragma once
// EventSink: a dispatch sink for the pen manager's events, without type information as
// the panel's own is, living as long as its owner (no reference counting). Invoke hands
// each event to OnInvoke, which by default hands its id to OnEvent.
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "pen/PenManager.h"

class EventSink : public IDispatch {
public:
    virtual ~EventSink() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_IPenManagerEvents) {
            *ppv = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        OnInvoke(id, *params);
        return S_OK;
    }

protected:
    virtual void OnInvoke(DISPID id, const DISPPARAMS&) { OnEvent(id); }
    virtual void OnEvent(DISPID) {}
};

// The connection point of the pen manager's events with sink advised on it (its cookie in
// cookie), or null when any step failed.
inline Microsoft::WRL::ComPtr<IConnectionPoint> AdviseEvents(IPenManager* manager, IDispatch* sink,
                                                             DWORD& cookie) {
    Microsoft::WRL::ComPtr<IConnectionPointContainer> container;
    Microsoft::WRL::ComPtr<IConnectionPoint> point;
    if (!manager || FAILED(manager->QueryInterface(IID_PPV_ARGS(&container))) ||
        FAILED(container->FindConnectionPoint(DIID_IPenManagerEvents, &point)) ||
        FAILED(point->Advise(sink, &cookie)))
        return nullptr;
    return point;
}

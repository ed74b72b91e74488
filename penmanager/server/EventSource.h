// The pen manager's one connection point (IPenManagerEvents) and its container.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <string>
#include <vector>

#include "DualObject.h"
#include "pen/PenManager.h"

class EventSource : public IConnectionPoint {
public:
    static EventSource& instance();

    // Fires to every sink: DISPATCH_METHOD, positional arguments in call order, always
    // a result VARIANT. A sink whose call fails with an RPC error belongs to a client
    // that died and is dropped.
    void fire(DISPID id, const std::vector<VARIANT>& args);
    // As above with caller-chosen flags and whether a result VARIANT is passed. Answers
    // the first failure a live sink gave, or S_OK.
    HRESULT fireRaw(DISPID id, WORD flags, const std::vector<VARIANT>& args, bool passResult);
    void fireForPen(DISPID id, const std::string& penId);
    long sinkCount() const { return static_cast<long>(sinks_.size()); }
    void dropAll();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; } // lives as long as the process
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    void setContainer(IConnectionPointContainer* container) { container_ = container; }

private:
    std::map<DWORD, IDispatch*> sinks_;
    DWORD nextCookie_ = 1;
    IConnectionPointContainer* container_ = nullptr;
};

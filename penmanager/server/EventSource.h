// The pen manager's one connection point (IPenManagerEvents) and its container.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DualObject.h"
#include "pen/PenManager.h"

// Every sink has its own queue and a delivery thread of its own, so a client that hangs
// or died while holding a sink never stalls the stand-in or the other clients, and each
// client hears the events in the order they were fired. Everything but the delivery runs
// on the stand-in's one apartment.
class EventSource : public IConnectionPoint {
public:
    static EventSource& instance();

    // Queues the event for every sink: DISPATCH_METHOD, positional arguments in call
    // order, always a result VARIANT.
    void fire(DISPID id, const std::vector<VARIANT>& args);
    // As above with caller-chosen flags and whether a result VARIANT is passed; waits until
    // every sink has answered this event (or counts as gone) and answers the first
    // failure a live sink gave, or S_OK.
    HRESULT fireRaw(DISPID id, WORD flags, const std::vector<VARIANT>& args, bool passResult);
    void fireForPen(DISPID id, const std::string& penId);
    // The sinks once everything fired so far has been delivered.
    long sinkCount();
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

    struct Sink;

private:
    HRESULT queue(DISPID id, WORD flags, const std::vector<VARIANT>& args, bool passResult, bool wait);
    // Forgets the sinks whose client is gone; the apartment's own calls all begin here.
    void sweep();
    // Serves the apartment until done() or the limit a client has to answer an event.
    template <class Done> void waitFor(Done done);

    std::map<DWORD, std::shared_ptr<Sink>> sinks_;
    DWORD nextCookie_ = 1;
    IConnectionPointContainer* container_ = nullptr;
};

#include "EventSource.h"

#include "Enumerator.h"
#include "Values.h"

#include "core/Log.h"
#include "core/TraceScope.h"

namespace {

bool isRpcFailure(HRESULT hr) {
    if (HRESULT_FACILITY(hr) == FACILITY_WIN32) {
        DWORD code = HRESULT_CODE(hr);
        return code >= 1700 && code <= 1999; // RPC_S_* (server unavailable, call failed...)
    }
    return hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED ||
           hr == RPC_E_SERVER_DIED_DNE || hr == CO_E_OBJNOTCONNECTED;
}

} // namespace

EventSource& EventSource::instance() {
    static EventSource source;
    return source;
}

STDMETHODIMP EventSource::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppv = static_cast<IConnectionPoint*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP EventSource::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = DIID_IPenManagerEvents;
    return S_OK;
}

STDMETHODIMP EventSource::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container)
        return E_POINTER;
    *container = container_;
    if (!container_)
        return E_UNEXPECTED;
    container_->AddRef();
    return S_OK;
}

STDMETHODIMP EventSource::Advise(IUnknown* sink, DWORD* cookie) {
    TraceScope trace("EventSource::Advise");
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    IDispatch* dispatch = nullptr;
    // Sinks without type information answer only IDispatch.
    if (FAILED(sink->QueryInterface(DIID_IPenManagerEvents, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_[*cookie] = dispatch;
    return S_OK;
}

STDMETHODIMP EventSource::Unadvise(DWORD cookie) {
    auto it = sinks_.find(cookie);
    if (it == sinks_.end())
        return CONNECT_E_NOCONNECTION;
    IDispatch* sink = it->second;
    sinks_.erase(it);
    sink->Release();
    return S_OK;
}

STDMETHODIMP EventSource::EnumConnections(IEnumConnections** connections) {
    if (!connections)
        return E_POINTER;
    std::vector<CONNECTDATA> items;
    for (auto& [cookie, sink] : sinks_)
        items.push_back({sink, cookie});
    *connections = new ConnectionEnumerator(std::move(items));
    return S_OK;
}

void EventSource::dropAll() {
    auto sinks = std::move(sinks_);
    sinks_.clear();
    for (auto& [cookie, sink] : sinks)
        sink->Release();
}

void EventSource::fire(DISPID id, const std::vector<VARIANT>& args) {
    fireRaw(id, DISPATCH_METHOD, args, true);
}

HRESULT EventSource::fireRaw(DISPID id, WORD flags, const std::vector<VARIANT>& args,
                             bool passResult) {
    TraceScope trace("EventSource::fire", true);
    // Invoke takes the arguments last to first.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                      static_cast<UINT>(reversed.size()), 0};
    // A sink may unadvise (or be dropped) while we call it: work on a copy.
    std::vector<std::pair<DWORD, IDispatch*>> sinks(sinks_.begin(), sinks_.end());
    HRESULT answer = S_OK;
    for (auto& [cookie, sink] : sinks) {
        if (!sinks_.count(cookie))
            continue;
        sink->AddRef();
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                  passResult ? &result : nullptr, nullptr, nullptr);
        VariantClear(&result);
        if (isRpcFailure(hr)) {
            Log::instance().warning("Dropped event sink %lu: its client is gone (0x%08lx).",
                                    cookie, static_cast<unsigned long>(hr));
            Unadvise(cookie);
        } else if (FAILED(hr) && SUCCEEDED(answer)) {
            answer = hr;
        }
        sink->Release();
    }
    return answer;
}

void EventSource::fireForPen(DISPID id, const std::string& penId) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = Values::toBstr(penId);
    fire(id, {arg});
    VariantClear(&arg);
}

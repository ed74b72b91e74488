#include "EventSource.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "Enumerator.h"
#include "Values.h"

#include "core/Log.h"
#include "core/TraceScope.h"

namespace {

// A client whose sink has not answered one event for this long counts as gone: the
// suite's pen manager cannot wait for a frozen program either.
constexpr ULONGLONG kAnswerLimitMs = 5000;

bool isRpcFailure(HRESULT hr) {
    if (HRESULT_FACILITY(hr) == FACILITY_WIN32) {
        DWORD code = HRESULT_CODE(hr);
        return code >= 1700 && code <= 1999; // RPC_S_* (server unavailable, call failed...)
    }
    return hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED ||
           hr == RPC_E_SERVER_DIED_DNE || hr == CO_E_OBJNOTCONNECTED;
}

// Set by a delivery thread after each event and when it ends: the apartment's waits wake.
HANDLE progress() {
    static HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

// What one waiting fire collects: each addressed sink's answer.
struct Answers {
    std::mutex lock;
    std::vector<HRESULT> results;
    std::vector<bool> answered;
};

struct Event {
    DISPID id = 0;
    WORD flags = DISPATCH_METHOD;
    bool passResult = true;
    std::vector<VARIANT> args; // last to first, as Invoke takes them
    std::shared_ptr<Answers> answers;
    size_t slot = 0;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event() {
        for (VARIANT& arg : args)
            VariantClear(&arg);
    }
};

} // namespace

struct EventSource::Sink {
    enum State { Live, Gone, Frozen };

    DWORD cookie = 0;
    IDispatch* proxy = nullptr; // the apartment's reference, released there
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::unique_ptr<Event>> events;
    bool stop = false;
    std::atomic<ULONGLONG> callStart{0}; // while an Invoke is under way
    std::atomic<int> state{Live};
    std::atomic<bool> ended{false}; // the thread has let go of its reference

    bool idle() {
        std::lock_guard<std::mutex> guard(lock);
        return events.empty() && callStart == 0;
    }
    void halt() {
        {
            std::lock_guard<std::mutex> guard(lock);
            stop = true;
            events.clear();
        }
        wake.notify_one();
    }
    // Runs on the sink's own thread, in the multithreaded apartment, until halted or its
    // client is gone.
    static void deliver(std::shared_ptr<Sink> sink, IStream* stream);
};

void EventSource::Sink::deliver(std::shared_ptr<Sink> sink, IStream* stream) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IDispatch* target = nullptr;
    HRESULT hr = CoGetInterfaceAndReleaseStream(stream, IID_IDispatch, reinterpret_cast<void**>(&target));
    if (FAILED(hr)) {
        Log::instance().warning("Failed to reach event sink %lu (0x%08lx).", sink->cookie,
                                static_cast<unsigned long>(hr));
        sink->state = Gone;
    }
    while (target) {
        std::unique_ptr<Event> event;
        {
            std::unique_lock<std::mutex> guard(sink->lock);
            sink->wake.wait(guard, [&] { return sink->stop || !sink->events.empty(); });
            if (sink->stop)
                break;
            event = std::move(sink->events.front());
            sink->events.pop_front();
            sink->callStart = GetTickCount64();
        }
        DISPPARAMS params{event->args.empty() ? nullptr : event->args.data(), nullptr,
                          static_cast<UINT>(event->args.size()), 0};
        VARIANT result;
        VariantInit(&result);
        hr = target->Invoke(event->id, IID_NULL, LOCALE_USER_DEFAULT, event->flags, &params,
                            event->passResult ? &result : nullptr, nullptr, nullptr);
        VariantClear(&result);
        const bool gone = isRpcFailure(hr);
        int live = Live;
        if (gone && sink->state.compare_exchange_strong(live, Gone))
            Log::instance().warning("Dropped event sink %lu: its client is gone (0x%08lx).", sink->cookie,
                                    static_cast<unsigned long>(hr));
        if (event->answers) {
            std::lock_guard<std::mutex> guard(event->answers->lock);
            event->answers->results[event->slot] = gone ? S_OK : hr;
            event->answers->answered[event->slot] = true;
        }
        sink->callStart = 0;
        SetEvent(progress());
        if (gone)
            break;
    }
    if (target)
        target->Release();
    sink->ended = true;
    CoUninitialize();
    SetEvent(progress());
}

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

void EventSource::sweep() {
    const ULONGLONG now = GetTickCount64();
    for (auto it = sinks_.begin(); it != sinks_.end();) {
        Sink& sink = *it->second;
        const ULONGLONG began = sink.callStart;
        int live = Sink::Live;
        if (began && now - began > kAnswerLimitMs && sink.state.compare_exchange_strong(live, Sink::Frozen))
            Log::instance().warning("Dropped event sink %lu: its client has not answered for %llu ms.",
                                    sink.cookie, now - began);
        if (sink.state == Sink::Live) {
            ++it;
            continue;
        }
        sink.halt();
        // A frozen client would keep the release waiting as it keeps the call: its
        // reference stays, as Wine keeps those of a client that died.
        if (sink.state == Sink::Gone)
            sink.proxy->Release();
        it = sinks_.erase(it);
    }
}

template <class Done>
void EventSource::waitFor(Done done) {
    // Slow clients only make this longer; a frozen one ends it through sweep().
    const ULONGLONG deadline = GetTickCount64() + 4 * kAnswerLimitMs;
    while (!done() && GetTickCount64() < deadline) {
        DWORD index = 0;
        HANDLE event = progress();
        CoWaitForMultipleHandles(0, 50, 1, &event, &index);
        sweep();
    }
}

STDMETHODIMP EventSource::Advise(IUnknown* sink, DWORD* cookie) {
    TraceScope trace("EventSource::Advise");
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    sweep();
    IDispatch* dispatch = nullptr;
    // Sinks without type information answer only IDispatch.
    if (FAILED(sink->QueryInterface(DIID_IPenManagerEvents, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    // The delivery thread calls the sink from an apartment of its own.
    IStream* stream = nullptr;
    HRESULT hr = CoMarshalInterThreadInterfaceInStream(IID_IDispatch, dispatch, &stream);
    if (FAILED(hr)) {
        trace.warning("Failed to marshal the event sink (0x%08lx).", static_cast<unsigned long>(hr));
        dispatch->Release();
        return CONNECT_E_CANNOTCONNECT;
    }
    auto entry = std::make_shared<Sink>();
    entry->cookie = nextCookie_;
    entry->proxy = dispatch;
    try {
        std::thread(Sink::deliver, entry, stream).detach();
    } catch (const std::system_error&) {
        CoReleaseMarshalData(stream);
        stream->Release();
        dispatch->Release();
        return CONNECT_E_ADVISELIMIT;
    }
    *cookie = nextCookie_++;
    sinks_[*cookie] = entry;
    return S_OK;
}

STDMETHODIMP EventSource::Unadvise(DWORD cookie) {
    TraceScope trace("EventSource::Unadvise");
    sweep();
    auto it = sinks_.find(cookie);
    if (it == sinks_.end())
        return CONNECT_E_NOCONNECTION;
    std::shared_ptr<Sink> sink = it->second;
    sink->halt();
    // No event reaches a client after its Unadvise has returned, and no reference of
    // ours is left in it.
    waitFor([&] { return sink->ended || sink->state != Sink::Live; });
    it = sinks_.find(cookie);
    if (it != sinks_.end() && sink->state == Sink::Live) {
        sinks_.erase(it);
        sink->proxy->Release();
    }
    return S_OK;
}

STDMETHODIMP EventSource::EnumConnections(IEnumConnections** connections) {
    if (!connections)
        return E_POINTER;
    sweep();
    std::vector<CONNECTDATA> items;
    for (auto& [cookie, sink] : sinks_)
        items.push_back({sink->proxy, cookie});
    *connections = new ConnectionEnumerator(std::move(items));
    return S_OK;
}

long EventSource::sinkCount() {
    sweep();
    waitFor([&] {
        for (auto& [cookie, sink] : sinks_)
            if (sink->state == Sink::Live && !sink->idle())
                return false;
        return true;
    });
    sweep();
    return static_cast<long>(sinks_.size());
}

void EventSource::dropAll() {
    auto sinks = std::move(sinks_);
    sinks_.clear();
    for (auto& [cookie, sink] : sinks) {
        sink->halt();
        if (sink->state != Sink::Frozen && sink->callStart == 0)
            sink->proxy->Release();
    }
}

HRESULT EventSource::queue(DISPID id, WORD flags, const std::vector<VARIANT>& args, bool passResult,
                           bool wait) {
    TraceScope trace("EventSource::fire", true);
    sweep();
    std::vector<std::shared_ptr<Sink>> addressed;
    for (auto& [cookie, sink] : sinks_)
        addressed.push_back(sink);
    auto answers = wait ? std::make_shared<Answers>() : nullptr;
    if (answers) {
        answers->results.assign(addressed.size(), S_OK);
        answers->answered.assign(addressed.size(), false);
    }
    for (size_t i = 0; i < addressed.size(); ++i) {
        auto event = std::make_unique<Event>();
        event->id = id;
        event->flags = flags;
        event->passResult = passResult;
        event->answers = answers;
        event->slot = i;
        for (auto arg = args.rbegin(); arg != args.rend(); ++arg) {
            event->args.emplace_back();
            VariantInit(&event->args.back());
            VariantCopy(&event->args.back(), const_cast<VARIANT*>(&*arg));
        }
        {
            std::lock_guard<std::mutex> guard(addressed[i]->lock);
            if (addressed[i]->stop)
                continue;
            addressed[i]->events.push_back(std::move(event));
        }
        addressed[i]->wake.notify_one();
    }
    if (!answers)
        return S_OK;
    auto settled = [&] {
        std::lock_guard<std::mutex> guard(answers->lock);
        for (size_t i = 0; i < addressed.size(); ++i)
            if (!answers->answered[i] && addressed[i]->state == Sink::Live)
                return false;
        return true;
    };
    waitFor(settled);
    std::lock_guard<std::mutex> guard(answers->lock);
    for (size_t i = 0; i < addressed.size(); ++i)
        if (answers->answered[i] && FAILED(answers->results[i]))
            return answers->results[i];
    return S_OK;
}

void EventSource::fire(DISPID id, const std::vector<VARIANT>& args) {
    queue(id, DISPATCH_METHOD, args, true, false);
}

HRESULT EventSource::fireRaw(DISPID id, WORD flags, const std::vector<VARIANT>& args, bool passResult) {
    return queue(id, flags, args, passResult, true);
}

void EventSource::fireForPen(DISPID id, const std::string& penId) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = Values::toBstr(penId);
    fire(id, {arg});
    VariantClear(&arg);
}

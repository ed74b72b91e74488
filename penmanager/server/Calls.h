// How the stand-in serves a call on the objects it hands out: its trace scope, the
// delays and failures tests inject, a guard against malformed state, and the call log
// tests read back ("one SetApn call, then one SetIspSettings call").
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <new>
#include <string>

#include <nlohmann/json.hpp>

#include "core/Log.h"
#include "core/TraceScope.h"

class Calls {
public:
    static Calls& instance();

    // The next count calls of the method fail with hr, or first wait ms (count -1:
    // until cleared; count 0 removes the rule).
    void failMethod(const std::string& method, HRESULT hr, long count);
    void delayMethod(const std::string& method, DWORD ms, long count);
    void clearFaults();
    // The failures and delays of the given methods, for a copy that serves them in the
    // client's process: {method: {"hr", "ms", "count"}}. Counted rules go with the copy.
    nlohmann::json handOver(std::initializer_list<const char*> methods);

    nlohmann::json log() const { return log_; }
    void clearLog() { log_ = nlohmann::json::array(); }

    // method is a literal "<interface>::<method>", as the IDL names it.
    template <class Body>
    HRESULT serve(const char* method, Body&& body) {
        TraceScope scope(method);
        HRESULT hr = enter(method);
        if (SUCCEEDED(hr))
            hr = guarded(method, body);
        record(method, hr);
        return hr;
    }

    // The same for the control interface: no injected faults, not logged.
    template <class Body>
    static HRESULT serveControl(const char* method, Body&& body) {
        TraceScope scope(method);
        return guarded(method, body);
    }

private:
    struct Rule {
        HRESULT hr;
        DWORD ms;
        long count; // -1: until cleared
    };

    // A state that tests have set to an unexpected shape must fail the call, not end
    // the process that every client shares.
    template <class Body>
    static HRESULT guarded(const char* method, Body& body) {
        try {
            return body();
        } catch (const nlohmann::json::exception& e) {
            Log::instance().warning("%s: unexpected pen state (%s).", method, e.what());
            return E_FAIL;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

    HRESULT enter(const char* method);
    void record(const char* method, HRESULT hr);
    // One call's rule; whole: the rule with all its calls left.
    static bool take(std::map<std::string, Rule>& rules, const char* method, Rule& rule, bool whole = false);

    std::map<std::string, Rule> faults_;
    std::map<std::string, Rule> delays_;
    nlohmann::json log_ = nlohmann::json::array();
};

// The body of a served method: PM_CALL("IPen::GetPenId", { ...; return hr; });
#define PM_CALL(method, ...) return Calls::instance().serve(method, [&]() -> HRESULT __VA_ARGS__)
#define PM_CONTROL(method, ...) return Calls::serveControl(method, [&]() -> HRESULT __VA_ARGS__)

#include "Calls.h"

#include <cstdio>

namespace {
// A demo stand-in runs for days: keep the newest calls only.
constexpr size_t kLogLimit = 20000;
} // namespace

Calls& Calls::instance() {
    static Calls calls;
    return calls;
}

void Calls::failMethod(const std::string& method, HRESULT hr, long count) {
    if (count == 0)
        faults_.erase(method);
    else
        faults_[method] = {hr, 0, count};
}

void Calls::delayMethod(const std::string& method, DWORD ms, long count) {
    if (count == 0)
        delays_.erase(method);
    else
        delays_[method] = {S_OK, ms, count};
}

void Calls::clearFaults() {
    faults_.clear();
    delays_.clear();
}

nlohmann::json Calls::handOver(std::initializer_list<const char*> methods) {
    nlohmann::json rules = nlohmann::json::object();
    for (const char* method : methods) {
        Rule fault{}, delay{};
        const bool fails = take(faults_, method, fault, true);
        const bool waits = take(delays_, method, delay, true);
        if (!fails && !waits)
            continue;
        // One call of the copy both waits and fails when both rules are there.
        rules[method] = {{"hr", static_cast<long>(fails ? fault.hr : S_OK)},
                         {"ms", waits ? delay.ms : 0},
                         {"count", fails ? fault.count : delay.count}};
    }
    return rules;
}

bool Calls::take(std::map<std::string, Rule>& rules, const char* method, Rule& rule, bool whole) {
    auto it = rules.find(method);
    if (it == rules.end())
        return false;
    rule = it->second;
    if (whole ? it->second.count > 0 : it->second.count > 0 && --it->second.count == 0)
        rules.erase(it);
    return true;
}

HRESULT Calls::enter(const char* method) {
    Rule rule{};
    if (take(delays_, method, rule)) {
        Log::instance().info("%s answers after %lu ms as injected.", method, rule.ms);
        Sleep(rule.ms);
    }
    if (take(faults_, method, rule)) {
        Log::instance().info("%s fails as injected (0x%08lx).", method,
                             static_cast<unsigned long>(rule.hr));
        return rule.hr;
    }
    return S_OK;
}

void Calls::record(const char* method, HRESULT hr) {
    if (log_.size() >= kLogLimit)
        log_.erase(log_.begin(), log_.begin() + kLogLimit / 2);
    char text[16];
    snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
    log_.push_back({{"method", method}, {"hr", text}});
}

#include "InjectedRules.h"

void InjectedRules::load(const nlohmann::json& rules) {
    std::lock_guard<std::mutex> guard(lock_);
    rules_.clear();
    if (!rules.is_object())
        return;
    for (const auto& [method, rule] : rules.items())
        if (rule.is_object())
            rules_[method] = {static_cast<HRESULT>(rule.value("hr", 0L)), rule.value("ms", 0UL),
                              rule.value("count", -1L)};
}

nlohmann::json InjectedRules::save() const {
    std::lock_guard<std::mutex> guard(lock_);
    nlohmann::json rules = nlohmann::json::object();
    for (const auto& [method, rule] : rules_)
        rules[method] = {{"hr", static_cast<long>(rule.hr)}, {"ms", rule.ms}, {"count", rule.count}};
    return rules;
}

HRESULT InjectedRules::enter(const std::string& method) {
    Rule rule{};
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = rules_.find(method);
        if (it == rules_.end())
            return S_OK;
        rule = it->second;
        if (it->second.count > 0 && --it->second.count == 0)
            rules_.erase(it);
    }
    if (rule.ms)
        Sleep(rule.ms);
    return rule.hr;
}

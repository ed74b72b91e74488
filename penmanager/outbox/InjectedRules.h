// The failures and delays that tests injected into the stand-in for the outbox's read
// methods, applied by the copy in the caller's process as the stand-in would have.
#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

class InjectedRules {
public:
    // {method: {"hr", "ms", "count"}}, count -1: every call.
    void load(const nlohmann::json& rules);
    nlohmann::json save() const;
    // Waits as injected; the injected failure, or S_OK.
    HRESULT enter(const std::string& method);

private:
    struct Rule {
        HRESULT hr;
        DWORD ms;
        long count;
    };
    mutable std::mutex lock_;
    std::map<std::string, Rule> rules_;
};

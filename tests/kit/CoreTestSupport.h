#pragma once

// Helpers of the core library's tests: capture of the process-wide log, scratch
// registry roots, and registry access that bypasses the code under test.

#include "core/Log.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Collects what reaches Log::instance() while alive (a forwarding observer is attached
// to the process-wide log once and drops everything outside a capture).
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::pair<LogLevel, std::string>> lines;
    size_t count(const std::string& part) const;
    bool has(const std::string& part) const { return count(part) > 0; }
};

// Redirects this process's HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and optionally
// HKEY_CLASSES_ROOT to fresh keys, deleted again at the end.
class ScratchRegistry {
public:
    explicit ScratchRegistry(bool classesRoot = false);
    ~ScratchRegistry();
    bool ok = false;

private:
    std::wstring base_;
    HKEY keys_[3] = {};
};

bool rawSetString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);
bool rawSetNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value);
bool rawGetNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value);
bool rawKeyExists(HKEY root, const std::wstring& key);

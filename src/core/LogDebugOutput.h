#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The log's debugger output, written on a thread of its own. Every OutputDebugString is
// a round trip to the system even when nobody listens (under Wine a wineserver request;
// a dozen with a debug viewer attached), and a page reload writes hundreds of trace
// lines: the thread that logs should not wait for them. Texts keep their order; each
// batch is handed to the system when a debugger or a debug viewer can receive it.
class LogDebugOutput {
public:
    LogDebugOutput() = default;
    // Writes what is still queued, then ends the thread.
    ~LogDebugOutput();

    LogDebugOutput(const LogDebugOutput&) = delete;
    LogDebugOutput& operator=(const LogDebugOutput&) = delete;

    void write(std::string text);

private:
    static DWORD WINAPI threadMain(void* self);
    void run();
    static bool someoneListens();

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE queued_ = CONDITION_VARIABLE_INIT;
    std::vector<std::string> queue_;
    bool stopping_ = false;
    HANDLE thread_ = nullptr;
};

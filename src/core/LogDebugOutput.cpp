#include "core/LogDebugOutput.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {
// How long the thread lets texts gather before it writes them: a burst of trace lines
// (a reload) then costs it one look for a listener, not one per line, and it does not
// compete with the thread that logs for every line.
constexpr DWORD kGatherMs = 20;

// A library's log ends while the loader lock is held, where no thread may be waited
// for: there the texts are written at once, as they come.
bool inExecutable() {
    return reinterpret_cast<HMODULE>(&__ImageBase) == GetModuleHandleW(nullptr);
}

void outputDebugString(const std::string& text) {
    // Converted here directly: the string package traces, and tracing lands here.
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        OutputDebugStringA(text.c_str());
        return;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
    OutputDebugStringW(wide.c_str());
}
} // namespace

LogDebugOutput::~LogDebugOutput() {
    if (!thread_)
        return;
    AcquireSRWLockExclusive(&lock_);
    stopping_ = true;
    WakeConditionVariable(&queued_);
    ReleaseSRWLockExclusive(&lock_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
}

void LogDebugOutput::write(std::string text) {
    AcquireSRWLockExclusive(&lock_);
    if (!thread_ && !stopping_ && inExecutable())
        thread_ = CreateThread(nullptr, 0, &LogDebugOutput::threadMain, this, 0, nullptr);
    if (!thread_) {
        // No thread to write for us: write it ourselves.
        ReleaseSRWLockExclusive(&lock_);
        outputDebugString(text);
        return;
    }
    queue_.push_back(std::move(text));
    WakeConditionVariable(&queued_);
    ReleaseSRWLockExclusive(&lock_);
}

DWORD WINAPI LogDebugOutput::threadMain(void* self) {
    static_cast<LogDebugOutput*>(self)->run();
    return 0;
}

// One look per batch instead of one round trip per text: a debugger is told by the
// process itself, a viewer by its shared buffer.
bool LogDebugOutput::someoneListens() {
    if (IsDebuggerPresent())
        return true;
    HANDLE buffer = OpenFileMappingW(FILE_MAP_READ, FALSE, L"DBWIN_BUFFER");
    if (!buffer)
        return false;
    CloseHandle(buffer);
    return true;
}

void LogDebugOutput::run() {
    std::vector<std::string> batch;
    AcquireSRWLockExclusive(&lock_);
    for (;;) {
        while (queue_.empty() && !stopping_)
            SleepConditionVariableSRW(&queued_, &lock_, INFINITE, 0);
        if (queue_.empty())
            break;
        if (!stopping_) {
            ReleaseSRWLockExclusive(&lock_);
            Sleep(kGatherMs);
            AcquireSRWLockExclusive(&lock_);
        }
        batch.swap(queue_);
        ReleaseSRWLockExclusive(&lock_);
        if (someoneListens())
            for (const std::string& text : batch)
                outputDebugString(text);
        batch.clear();
        AcquireSRWLockExclusive(&lock_);
    }
    ReleaseSRWLockExclusive(&lock_);
}

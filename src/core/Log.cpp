#include "core/Log.h"

#include "core/Exceptions.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <exception>
#include <string>

Log::Log() = default;

Log::~Log() {
    // Observers go first to last, as they were attached.
    for (auto& observer : observers_)
        observer.reset();
}

Log& Log::instance() {
    static Log log;
    return log;
}

std::string Log::levelName(LogLevel level) {
    switch (level) {
    case LogLevels::All:
        return "All";
    case LogLevels::Trace:
        return "Trace";
    case LogLevels::Information:
        return "Information";
    case LogLevels::Warning:
        return "Warning";
    case LogLevels::Error:
        return "Error";
    case LogLevels::Fatal:
        return "Fatal";
    default:
        return "unknown";
    }
}

void Log::logFormatted(LogLevel level, const char* format, va_list args) {
    char buffer[kMessageBufferSize];
    if (std::vsnprintf(buffer, sizeof buffer, format, args) < 0)
        buffer[0] = '\0';
    buffer[sizeof buffer - 1] = '\0';
    internalLog(level, buffer);
}

void Log::trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    logFormatted(LogLevels::Trace, format, args);
    va_end(args);
}

void Log::info(const char* format, ...) {
    va_list args;
    va_start(args, format);
    logFormatted(LogLevels::Information, format, args);
    va_end(args);
}

void Log::warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    logFormatted(LogLevels::Warning, format, args);
    va_end(args);
}

void Log::error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    logFormatted(LogLevels::Error, format, args);
    va_end(args);
}

void Log::attachLogObserver(LogObserver* observer) {
    if (observer == nullptr)
        return;
    const bool attached = std::any_of(observers_.begin(), observers_.end(),
                                      [observer](const auto& o) { return o.get() == observer; });
    if (attached)
        throw VelarException("%s", "Log::attachLogObserver - observer already attached");
    observers_.emplace_back(observer);
}

void Log::internalLog(LogLevel level, const char* text) {
    Lock lock(section_);

    if (observers_.empty()) {
        const std::string line = levelName(level) + ": " + (text ? text : "");
        writeDebugOutput(line.c_str());
        writeDebugOutput("\n");
        return;
    }

    // Index loop: an observer may log from inside log() on this thread.
    for (size_t i = 0; i < observers_.size(); ++i) {
        LogObserver* observer = observers_[i].get();
        try {
            if (observer->accepts(level))
                observer->log(level, std::string(text ? text : ""));
        } catch (const std::exception& e) {
            writeDebugOutput("Log::internalLog - Caught exception: ");
            writeDebugOutput(e.what());
            writeDebugOutput("\n");
        } catch (...) {
            writeDebugOutput("Log::internalLog - Caught unknown exception.");
            break;
        }
    }
}

void Log::writeDebugOutput(const char* text) {
    // Converted here directly: the string package traces, and tracing lands here.
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 0) {
        OutputDebugStringA(text);
        return;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    OutputDebugStringW(wide.c_str());
}

#pragma once

#include "core/Log.h"

// Function trace: entry and exit lines at level Trace around an operation, plus the
// operation's own messages. Quiet scopes (hot paths) keep only warnings and errors.
class TraceScope {
public:
    explicit TraceScope(const char* name, bool quiet = false);
    ~TraceScope();

    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

    void trace(const char* format, ...) QP_PRINTF_FORMAT(2, 3);
    void warning(const char* format, ...) QP_PRINTF_FORMAT(2, 3);
    void error(const char* format, ...) QP_PRINTF_FORMAT(2, 3);

    const char* name() const { return name_; }
    bool quiet() const { return quiet_; }

private:
    void write(LogLevel level, const char* format, va_list args);

    const char* name_; // not copied: always a literal
    bool quiet_;
};

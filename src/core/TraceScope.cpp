#include "core/TraceScope.h"

#include <cstdarg>
#include <cstdio>

TraceScope::TraceScope(const char* name, bool quiet) : name_(name), quiet_(quiet) {
    if (!quiet_)
        Log::instance().trace("-->(%s)", name_);
}

TraceScope::~TraceScope() {
    if (!quiet_)
        Log::instance().trace("<--(%s)", name_);
}

void TraceScope::write(LogLevel level, const char* format, va_list args) {
    char message[Log::kMessageBufferSize];
    if (std::vsnprintf(message, sizeof message, format, args) < 0)
        message[0] = '\0';
    message[sizeof message - 1] = '\0';

    Log& log = Log::instance();
    switch (level) {
    case LogLevels::Trace:
        log.trace("   (%s) %s", name_, message);
        break;
    case LogLevels::Warning:
        log.warning("   (%s) %s", name_, message);
        break;
    default:
        log.error("   (%s) %s", name_, message);
        break;
    }
}

void TraceScope::trace(const char* format, ...) {
    if (quiet_)
        return;
    va_list args;
    va_start(args, format);
    write(LogLevels::Trace, format, args);
    va_end(args);
}

void TraceScope::warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write(LogLevels::Warning, format, args);
    va_end(args);
}

void TraceScope::error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write(LogLevels::Error, format, args);
    va_end(args);
}

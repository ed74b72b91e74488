#include "core/LogObserver.h"

LogObserver::LogObserver(LogLevel minLevel) : minLevel_(minLevel) {}

LogObserver::~LogObserver() = default;

bool LogObserver::accepts(LogLevel level) const {
    return level >= minLevel_;
}

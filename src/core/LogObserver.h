#pragma once

#include <string>

using LogLevel = int;

// Receiver of log messages; the log owns every attached observer.
class LogObserver {
public:
    explicit LogObserver(LogLevel minLevel);
    virtual ~LogObserver();

    LogObserver(const LogObserver&) = delete;
    LogObserver& operator=(const LogObserver&) = delete;

    virtual bool accepts(LogLevel level) const;
    virtual void log(LogLevel level, const std::string& text) = 0;

    LogLevel minLevel() const { return minLevel_; }

private:
    LogLevel minLevel_;
};

#pragma once

#include "core/CriticalSection.h"
#include "core/LogObserver.h"

#include <memory>
#include <string>
#include <vector>

namespace LogLevels {
inline constexpr LogLevel All = 0;
inline constexpr LogLevel Trace = 1;
inline constexpr LogLevel Information = 2;
inline constexpr LogLevel Warning = 3;
inline constexpr LogLevel Error = 4;
inline constexpr LogLevel Fatal = 5;
} // namespace LogLevels

#define QP_PRINTF_FORMAT(fmt, first) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, first)))

// The process-wide log: hands every message to the attached observers, or to the
// debugger output while there are none.
class Log {
public:
    Log();
    virtual ~Log();

    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    static Log& instance();
    static std::string levelName(LogLevel level);

    void trace(const char* format, ...) QP_PRINTF_FORMAT(2, 3);
    void info(const char* format, ...) QP_PRINTF_FORMAT(2, 3);
    void warning(const char* format, ...) QP_PRINTF_FORMAT(2, 3);
    void error(const char* format, ...) QP_PRINTF_FORMAT(2, 3);

    // Takes ownership; attaching the same observer twice throws VelarException.
    void attachLogObserver(LogObserver* observer);
    size_t observerCount() const { return observers_.size(); }

    void internalLog(LogLevel level, const char* text);

    // Room for one formatted message, terminator included.
    static constexpr size_t kMessageBufferSize = 10240;

protected:
    virtual void writeDebugOutput(const char* text);

private:
    void logFormatted(LogLevel level, const char* format, va_list args);

    std::vector<std::unique_ptr<LogObserver>> observers_;
    CriticalSection section_;
};

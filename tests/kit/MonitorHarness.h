// What the monitor tests and the benches share: a window that records the pen messages
// the monitor posts to it, and a watch on the monitor's warnings, both with the time
// they arrived.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/Log.h"
#include "framework/FrameWindow.h"
#include "pen/MyPens.h"

namespace Monitor {

// Milliseconds on the performance counter.
double now();

struct PenMessage {
    UINT msg;
    std::string penId;
    double at;
};

class Owner : public FrameWindow {
public:
    std::vector<PenMessage> received;

    // Serves this thread (the owner's messages, COM calls) until the message for the pen
    // has arrived at or after position from of the list; false after the timeout.
    bool receive(UINT msg, const std::string& penId, DWORD timeoutMs, size_t from = 0);
    // The arrival time of that message, or a negative value.
    double arrival(UINT msg, const std::string& penId, size_t from = 0) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

// The log's warnings, from every thread. Attached once; the log owns it.
class Warnings : public LogObserver {
public:
    static Warnings& instance();

    void log(LogLevel level, const std::string& text) override;
    size_t count(const char* part);
    // Arrival time of the newest warning that contains part, or a negative value.
    double last(const char* part);
    void clear();

private:
    Warnings() : LogObserver(LogLevels::Warning) {}
    std::mutex lock_;
    std::vector<std::pair<std::string, double>> lines_;
};

} // namespace Monitor

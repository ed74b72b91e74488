#pragma once

#include "core/LogObserver.h"

#include <windows.h>

#include <string>

// Shows the log in a console window, one line per message, the level prefix in
// colour when enabled. The console stays until the process ends.
class ConsoleLogObserver : public LogObserver {
public:
    ConsoleLogObserver(LogLevel minLevel, const std::string& title, bool colour);
    ~ConsoleLogObserver() override;

    void log(LogLevel level, const std::string& text) override;

    bool colourEnabled() const { return colour_; }

    // Console attribute of a level's prefix; other levels keep the current one.
    static WORD prefixAttribute(LogLevel level, WORD current);

private:
    bool colour_;
};

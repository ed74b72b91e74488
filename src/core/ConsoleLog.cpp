#include "core/ConsoleLog.h"

#include "core/ConsoleLogObserver.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "core/TraceScope.h"

#include <memory>

void initConsoleLog(const char* title, PHANDLER_ROUTINE handler) {
    initConsoleLog(title, handler, Settings::instance(), Log::instance());
}

void initConsoleLog(const char* title, PHANDLER_ROUTINE handler, Settings& settings, Log& log) {
    TraceScope scope("ConsoleLog::initConsoleLog");
    const int level = settings.readNumber("Debug/ConsoleLogLevel", kConsoleLogOff);
    if (level == kConsoleLogOff)
        return;

    log.info("Attaching Console observer. Level: %d.", level);
    const bool colour = settings.readBool("Debug/ConsoleLogColorEnabled", true);
    auto observer = std::make_unique<ConsoleLogObserver>(level, title ? title : "", colour);
    log.attachLogObserver(observer.get());
    observer.release();

    if (handler != nullptr) {
        log.info("Registering console ctrl handler.");
        SetConsoleCtrlHandler(handler, TRUE);
    }
}

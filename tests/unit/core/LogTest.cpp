#include "CoreTestSupport.h"

#include "core/ConsoleLog.h"
#include "core/Exceptions.h"
#include "core/Settings.h"
#include "core/TraceScope.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Lines = std::vector<std::string>;

// A log of our own whose debugger output is kept, one entry per write.
struct DebugCapturingLog : Log {
    Lines written;
    void writeDebugOutput(const char* text) override { written.emplace_back(text); }
};

// Records "id:level:text"; throws instead when asked to (0: no, 1: standard, 2: other).
struct Recorder : LogObserver {
    Recorder(int id, LogLevel minLevel, Lines& sink, int throws = 0)
        : LogObserver(minLevel), id(id), sink(sink), throws(throws) {}
    void log(LogLevel level, const std::string& text) override {
        if (throws == 1)
            throw std::runtime_error("observer broke");
        if (throws == 2)
            throw 42;
        sink.push_back(std::to_string(id) + ":" + std::to_string(level) + ":" + text);
    }
    int id;
    Lines& sink;
    int throws;
};

} // namespace

// (The line format is what every ui test reads of the program's debug output.)
TEST(LogTest, WithoutObserverALongLineIsCutToTheBuffer) {
    DebugCapturingLog log;
    log.error("%s", std::string(20000, 'a').c_str());
    EXPECT_EQ(log.written.at(0), "Error: " + std::string(Log::kMessageBufferSize - 1, 'a'));
}

TEST(LogTest, ObserversFilterByLevelInAttachmentOrderAndRejectDuplicates) {
    DebugCapturingLog log;
    Lines sink;
    auto* first = new Recorder(1, 3, sink);
    log.attachLogObserver(first);
    log.attachLogObserver(new Recorder(2, 0, sink));
    EXPECT_THROW(log.attachLogObserver(first), VelarException);
    log.trace("t%d", 1);
    log.info("i");
    log.warning("w");
    log.error("e");
    EXPECT_EQ(sink, (Lines{"2:1:t1", "2:2:i", "1:3:w", "2:3:w", "1:4:e", "2:4:e"}));
    EXPECT_TRUE(log.written.empty()); // observers replace the debugger output
}

TEST(LogTest, ObserverExceptionsNeverReachTheCaller) {
    Lines sink;
    DebugCapturingLog standard;
    standard.attachLogObserver(new Recorder(1, 0, sink, 1));
    standard.attachLogObserver(new Recorder(2, 0, sink));
    EXPECT_NO_THROW(standard.info("a"));
    EXPECT_EQ(sink, (Lines{"2:2:a"})); // the next observer still got it
    DebugCapturingLog other;
    other.attachLogObserver(new Recorder(1, 0, sink, 2));
    EXPECT_NO_THROW(other.info("b"));
}

TEST(LogTest, ObserverMayLogFromInsideLog) {
    struct Echo : LogObserver {
        Log& target;
        Lines seen;
        explicit Echo(Log& l) : LogObserver(0), target(l) {}
        void log(LogLevel, const std::string& text) override {
            seen.push_back(text);
            if (text == "outer")
                target.info("inner"); // same thread: the lock is re-entrant
        }
    };
    DebugCapturingLog log;
    auto* echo = new Echo(log);
    log.attachLogObserver(echo);
    log.info("outer");
    EXPECT_EQ(echo->seen, (Lines{"outer", "inner"}));
}

TEST(TraceScopeTest, EntryMessagesExitAndQuietScopes) {
    LogCapture capture;
    {
        TraceScope scope("Widget::Frob");
        scope.trace("step %d", 1);
        scope.warning("Failed to frob (0x%08x).", 0x80004005u);
    }
    {
        TraceScope quiet("Widget::Paint", true);
        quiet.trace("drawn");
        quiet.error("e");
    }
    Lines lines;
    for (const auto& line : capture.lines)
        lines.push_back(std::to_string(line.first) + "|" + line.second);
    EXPECT_EQ(lines, (Lines{"1|-->(Widget::Frob)", "1|   (Widget::Frob) step 1",
                            "3|   (Widget::Frob) Failed to frob (0x80004005).", "1|<--(Widget::Frob)",
                            "4|   (Widget::Paint) e"}));
}

TEST(ConsoleLogTest, NoConsoleWhileTheLevelSettingIsAbsentOrOff) {
    ScratchRegistry registry;
    ASSERT_TRUE(registry.ok);
    Settings settings("2.0", "Quillpad");
    DebugCapturingLog log;
    initConsoleLog("Quillpad", nullptr, settings, log);
    ASSERT_TRUE(settings.writeNumber("Debug/ConsoleLogLevel", kConsoleLogOff));
    initConsoleLog("Quillpad", nullptr, settings, log);
    EXPECT_EQ(log.observerCount(), 0u);
    EXPECT_TRUE(log.written.empty());
}

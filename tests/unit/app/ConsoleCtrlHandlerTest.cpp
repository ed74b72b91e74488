#include <gtest/gtest.h>

#include "app/Application.h"

namespace {
// The console's control events: the shutdown family closes the main window in an orderly
// way (a posted WM_CLOSE), Ctrl+Break is left to the system.
class ConsoleCtrlHandler : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(frame.Create(L"main", WS_OVERLAPPEDWINDOW));
        app.SetMainWindow(&frame);
    }
    void TearDown() override {
        app.SetMainWindow(nullptr);
        frame.Destroy();
    }

    bool ClosePosted() {
        MSG msg;
        bool posted = false;
        while (PeekMessageW(&msg, frame, WM_CLOSE, WM_CLOSE, PM_REMOVE))
            posted = true;
        return posted;
    }

    Application app{"QuillpadTest", "", "quillpad-test-instance", [] { return nullptr; }};
    FrameWindow frame;
};
} // namespace

TEST_F(ConsoleCtrlHandler, ShutdownEventsPostCloseToTheMainWindowAndBreakIsLeftToTheSystem) {
    for (DWORD event : {CTRL_C_EVENT, CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT, CTRL_BREAK_EVENT}) {
        const bool shutdown = event != CTRL_BREAK_EVENT;
        EXPECT_EQ(Application::ConsoleCtrlHandler(event) != FALSE, shutdown) << event;
        EXPECT_EQ(ClosePosted(), shutdown) << event;
    }
    app.SetMainWindow(nullptr); // no main window is no failure
    EXPECT_TRUE(Application::ConsoleCtrlHandler(CTRL_C_EVENT));
}

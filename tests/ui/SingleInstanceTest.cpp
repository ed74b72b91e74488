// Quillpad.exe started twice in one Wine prefix: the second start hands its command line
// over and ends, the first reads it and acts. Log lines are read from the debug output.
#include <gtest/gtest.h>

#include <chrono>

#include "ui/driver/Driver.h"

namespace {
using namespace std::chrono_literals;

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(log.IsListening()) << "another debug viewer owns DBWIN_BUFFER"; }

    void StartFirst() {
        ASSERT_TRUE(first.Start(L"Quillpad.exe"));
        ASSERT_TRUE(log.WaitFor(first.Pid(), "Looks like I'm alone...", 10s)) << log.Dump();
        // A start broadcasts once: the first instance must be past its window creation
        // to hear it.
        ASSERT_TRUE(log.WaitFor(first.Pid(), "<--(Application::InitInstance)", 10s)) << log.Dump();
    }

    // Starts a second instance and returns how long it lived.
    std::chrono::milliseconds StartSecond(const std::wstring& args) {
        Process second;
        EXPECT_TRUE(second.Start(L"Quillpad.exe", args));
        EXPECT_TRUE(second.WaitExit(5000));
        std::chrono::milliseconds lived(second.LifetimeMs());
        EXPECT_TRUE(log.Contains(second.Pid(), "Found another instance.")) << log.Dump();
        EXPECT_FALSE(log.Contains(second.Pid(), "Looks like I'm alone...")) << log.Dump();
        return lived;
    }

    void CloseFirst() {
        HWND frame = first.WaitTopWindow(L"QuillpadFrame");
        ASSERT_NE(frame, nullptr);
        PostMessageW(frame, WM_CLOSE, 0, 0);
        ASSERT_TRUE(first.WaitExit(5000));
        EXPECT_TRUE(log.WaitFor(first.Pid(), "<--(Application::ExitInstance)", 1s)) << log.Dump();
    }

    DebugLog log;
    Process first;
};

TEST_F(SingleInstance, SecondStartHandsOverHistorySwitchAndEnds) {
    StartFirst();
    EXPECT_LT(StartSecond(L"/history").count(), 1000);
    EXPECT_TRUE(log.WaitFor(first.Pid(), "Reading command line.", 2s)) << log.Dump();
    EXPECT_TRUE(log.WaitFor(first.Pid(), "-->(SettingsSheet::ShowHistory)", 2s)) << log.Dump();
    EXPECT_FALSE(log.Contains(first.Pid(), "Failed to open the clipboard")) << log.Dump();
    CloseFirst();
}

TEST_F(SingleInstance, SecondStartWithoutSwitchBringsFirstToFront) {
    StartFirst();
    // Anything but exactly "/history" (case-sensitive) brings the window to the front.
    EXPECT_LT(StartSecond(L"/History").count(), 1000);
    EXPECT_TRUE(log.WaitFor(first.Pid(), "(Quillpad::OnMeMyselfAndI) Bringing main window to front.", 2s))
        << log.Dump();
    EXPECT_LT(StartSecond(L"").count(), 1000);
    CloseFirst();
    EXPECT_FALSE(log.Contains(first.Pid(), "-->(SettingsSheet::ShowHistory)")) << log.Dump();
}

TEST_F(SingleInstance, FirstStartShowsOnlyTheLogForExactlyTheHistorySwitch) {
    // A shortcut with another argument still opens the sheet.
    const struct {
        const wchar_t* args;
        bool logAlone;
    } cases[] = {{L"/history", true}, {L"/History", false}, {L"/x", false}, {L"/history ", false}};
    auto shown = [&](const wchar_t* caption) {
        HWND hwnd = ui::FindDialog(first.Pid(), caption);
        return hwnd && IsWindowVisible(hwnd);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments \"" << c.args << "\"");
        ASSERT_TRUE(first.Start(L"Quillpad.exe", c.args));
        ASSERT_TRUE(
            ui::WaitUntil([&] { return shown(ui::kSheetCaption) || shown(ui::kServiceLogCaption); }, 10000))
            << log.Dump();
        EXPECT_EQ(shown(ui::kServiceLogCaption), c.logAlone);
        EXPECT_EQ(shown(ui::kSheetCaption), !c.logAlone);
        EXPECT_FALSE(log.Contains(first.Pid(), "(Quillpad::OnMeMyselfAndI)")) << log.Dump();
        CloseFirst();
    }
}

TEST_F(SingleInstance, InstanceEndsAfterTheFirstCloses) {
    StartFirst();
    CloseFirst();
    // The mutex went with the first process: the next start is alone again.
    Process next;
    ASSERT_TRUE(next.Start(L"Quillpad.exe"));
    EXPECT_TRUE(log.WaitFor(next.Pid(), "Looks like I'm alone...", 10s)) << log.Dump();
}
} // namespace

// Quillpad.exe started twice in one Wine prefix: the second start hands its command line
// over and ends, the first reads it and acts. Log lines are read from the debug output.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

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

    int Lines(DWORD pid, const std::string& text) {
        int count = 0;
        for (const auto& line : log.Lines())
            count += line.pid == pid && line.text.find(text) != std::string::npos;
        return count;
    }

    DebugLog log;
    Process first;
};

// Exactly "/history" (case-sensitive) opens the log; anything else brings the window to
// the front. Once the first has closed, the next start is alone again.
TEST_F(SingleInstance, SecondStartsHandTheirCommandLineOverAndEnd) {
    StartFirst();
    const char kHistory[] = "-->(SettingsSheet::ShowHistory)";
    const char kFront[] = "(Quillpad::OnMeMyselfAndI) Bringing main window to front.";
    const struct {
        const wchar_t* args;
        const char* acted;
    } cases[] = {{L"/history", kHistory}, {L"/History", kFront}, {L"", kFront}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments \"" << c.args << "\"");
        const int before = Lines(first.Pid(), c.acted);
        EXPECT_LT(StartSecond(c.args).count(), 1000);
        EXPECT_TRUE(ui::WaitUntil([&] { return Lines(first.Pid(), c.acted) == before + 1; })) << log.Dump();
    }
    EXPECT_EQ(Lines(first.Pid(), kHistory), 1) << log.Dump();
    EXPECT_FALSE(log.Contains(first.Pid(), "Failed to open the clipboard")) << log.Dump();
    CloseFirst();

    // The mutex went with the first process.
    Process next;
    ASSERT_TRUE(next.Start(L"Quillpad.exe"));
    EXPECT_TRUE(log.WaitFor(next.Pid(), "Looks like I'm alone...", 10s)) << log.Dump();
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

} // namespace

// How Quillpad.exe starts: a second start hands its command line to the first and ends;
// "/history" alone opens only the service log, and closing the sheet only hides it while
// the log is open; the console log follows its registry level.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "ui/driver/Driver.h"

namespace {
using namespace std::chrono_literals;

class StartUp : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(log.IsListening()) << "another debug viewer owns DBWIN_BUFFER"; }

    // WM_CLOSE to the main window, as the system sends it; the program ends cleanly.
    void Close(Process& process) {
        HWND frame = process.WaitTopWindow(ui::kFrameClass);
        ASSERT_NE(frame, nullptr);
        PostMessageW(frame, WM_CLOSE, 0, 0);
        ASSERT_TRUE(process.WaitExit(5000));
        EXPECT_TRUE(log.WaitFor(process.Pid(), "<--(Application::ExitInstance)", 1s)) << log.Dump();
    }

    DebugLog log;
};

// A first start with "/history" shows the log alone. A second start hands its command
// line over and ends: exactly "/history" (case-sensitive) opens the log, anything else
// brings the sheet to the front. Closing the sheet then only hides it while the log is
// open; closing the log ends the program, and the next start is alone again.
TEST_F(StartUp, SecondStartsHandTheirCommandLineOverAndEnd) {
    Process first;
    ASSERT_TRUE(first.Start(L"Quillpad.exe", L"/history"));
    ASSERT_TRUE(log.WaitFor(first.Pid(), "Looks like I'm alone...", 10s)) << log.Dump();
    // A start broadcasts once: the first instance must be past its window creation to hear it.
    ASSERT_TRUE(log.WaitFor(first.Pid(), "<--(Application::InitInstance)", 10s)) << log.Dump();
    HWND sheet = ui::FindDialog(first.Pid(), ui::kSheetCaption);
    ASSERT_TRUE(ui::WaitUntil([&] {
        HWND history = ui::FindDialog(first.Pid(), ui::kServiceLogCaption);
        return history && IsWindowVisible(history);
    })) << log.Dump();
    const char kHistory[] = "-->(SettingsSheet::ShowHistory)";
    const struct {
        const wchar_t* args;
        bool sheetShown;
    } cases[] = {{L"/history", false}, {L"/History", true}, {L"", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments \"" << c.args << "\"");
        const int before = log.Count(first.Pid(), kHistory);
        Process second;
        ASSERT_TRUE(second.Start(L"Quillpad.exe", c.args));
        EXPECT_TRUE(second.WaitExit(5000));
        EXPECT_TRUE(log.Contains(second.Pid(), "Found another instance.")) << log.Dump();
        EXPECT_FALSE(log.Contains(second.Pid(), "Looks like I'm alone...")) << log.Dump();
        if (c.sheetShown) {
            EXPECT_TRUE(
                ui::WaitUntil([&] { return IsWindowVisible(sheet) && GetForegroundWindow() == sheet; }));
        } else {
            EXPECT_TRUE(ui::WaitUntil([&] { return log.Count(first.Pid(), kHistory) == before + 1; }))
                << log.Dump();
            EXPECT_FALSE(IsWindowVisible(sheet));
        }
    }
    EXPECT_FALSE(log.Contains(first.Pid(), "Failed to open the clipboard")) << log.Dump();
    ui::Sheet(sheet).Button(ui::Sheet::kCancel).PostClick();
    ASSERT_TRUE(ui::WaitUntil([&] { return !IsWindowVisible(sheet); }));
    EXPECT_FALSE(first.WaitExit(300));
    PostMessageW(ui::FindDialog(first.Pid(), ui::kServiceLogCaption), WM_CLOSE, 0, 0);
    EXPECT_TRUE(first.WaitExit(5000));

    // The mutex went with the first process.
    Process next;
    ASSERT_TRUE(next.Start(L"Quillpad.exe"));
    EXPECT_TRUE(log.WaitFor(next.Pid(), "Looks like I'm alone...", 10s)) << log.Dump();
    Close(next);
}

// Only exactly "/history" (the test above) shows the log alone: a shortcut with another
// argument still opens the sheet.
TEST_F(StartUp, FirstStartShowsTheSheetForAnyOtherArgument) {
    for (const wchar_t* args : {L"/History", L"/history "}) {
        SCOPED_TRACE(testing::Message() << "arguments \"" << args << "\"");
        Process app;
        auto shown = [&](const wchar_t* caption) {
            HWND hwnd = ui::FindDialog(app.Pid(), caption);
            return hwnd && IsWindowVisible(hwnd);
        };
        ASSERT_TRUE(app.Start(L"Quillpad.exe", args));
        ASSERT_TRUE(ui::WaitUntil([&] { return shown(ui::kSheetCaption); }, 10000)) << log.Dump();
        EXPECT_FALSE(shown(ui::kServiceLogCaption));
        EXPECT_FALSE(log.Contains(app.Pid(), "(Quillpad::OnMeMyselfAndI)")) << log.Dump();
        Close(app);
    }
}

// Absent or off, there is no console (the unit test's); set, the log goes to a console
// window with the program's title.
TEST_F(StartUp, ConsoleLevelSetAttachesTheConsoleObserver) {
    const wchar_t kDebugKey[] = L"Software\\Velar\\2.0\\Quillpad\\Debug";
    ui::WriteNumber(kDebugKey, L"ConsoleLogLevel", 3);
    Process app;
    // Detached from the test's own console, as when started from the desktop.
    ASSERT_TRUE(app.Start(L"Quillpad.exe", L"", DETACHED_PROCESS));
    ASSERT_TRUE(log.WaitFor(app.Pid(), "Information: Attaching Console observer. Level: 3.", 10s))
        << log.Dump();
    // From then on the log goes to the console only: trace lines no longer reach the
    // debug output.
    Sleep(500);
    EXPECT_FALSE(log.Contains(app.Pid(), "Looks like I'm alone...")) << log.Dump();
    // (Wine's console window belongs to conhost and has no system menu reachable from
    // here, so the removed Close command can't be checked.)
    EXPECT_TRUE(ui::WaitUntil([] { return FindWindowW(nullptr, L"Quillpad (Tamber)") != nullptr; }));
    HWND frame = app.WaitTopWindow(ui::kFrameClass);
    ASSERT_NE(frame, nullptr);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.WaitExit(5000));
    RegDeleteKeyW(HKEY_CURRENT_USER, kDebugKey);
}

} // namespace

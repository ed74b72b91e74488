// How Quillpad.exe starts, read from its debug output: a second start hands its command
// line to the first and ends; "/history" alone opens only the service log; the console
// log follows its registry level; the Help command finds the help file beside the
// program or in the build tree.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "ui/driver/Driver.h"

namespace {
using namespace std::chrono_literals;
namespace fs = std::filesystem;

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
    int Lines(DWORD pid, const std::string& text) {
        int count = 0;
        for (const auto& line : log.Lines())
            count += line.pid == pid && line.text.find(text) != std::string::npos;
        return count;
    }

    DebugLog log;
};

// Exactly "/history" (case-sensitive) opens the log; anything else brings the window to
// the front. Once the first has closed, the next start is alone again.
TEST_F(StartUp, SecondStartsHandTheirCommandLineOverAndEnd) {
    Process first;
    ASSERT_TRUE(first.Start(L"Quillpad.exe"));
    ASSERT_TRUE(log.WaitFor(first.Pid(), "Looks like I'm alone...", 10s)) << log.Dump();
    // A start broadcasts once: the first instance must be past its window creation to hear it.
    ASSERT_TRUE(log.WaitFor(first.Pid(), "<--(Application::InitInstance)", 10s)) << log.Dump();
    const char kHistory[] = "-->(SettingsSheet::ShowHistory)";
    const char kFront[] = "(Quillpad::OnMeMyselfAndI) Bringing main window to front.";
    const struct {
        const wchar_t* args;
        const char* acted;
    } cases[] = {{L"/history", kHistory}, {L"/History", kFront}, {L"", kFront}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments \"" << c.args << "\"");
        const int before = Lines(first.Pid(), c.acted);
        Process second;
        ASSERT_TRUE(second.Start(L"Quillpad.exe", c.args));
        EXPECT_TRUE(second.WaitExit(5000));
        EXPECT_TRUE(log.Contains(second.Pid(), "Found another instance.")) << log.Dump();
        EXPECT_FALSE(log.Contains(second.Pid(), "Looks like I'm alone...")) << log.Dump();
        EXPECT_TRUE(ui::WaitUntil([&] { return Lines(first.Pid(), c.acted) == before + 1; })) << log.Dump();
    }
    EXPECT_EQ(Lines(first.Pid(), kHistory), 1) << log.Dump();
    EXPECT_FALSE(log.Contains(first.Pid(), "Failed to open the clipboard")) << log.Dump();
    Close(first);

    // The mutex went with the first process.
    Process next;
    ASSERT_TRUE(next.Start(L"Quillpad.exe"));
    EXPECT_TRUE(log.WaitFor(next.Pid(), "Looks like I'm alone...", 10s)) << log.Dump();
    Close(next);
}

TEST_F(StartUp, FirstStartShowsOnlyTheLogForExactlyTheHistorySwitch) {
    // A shortcut with another argument still opens the sheet.
    const struct {
        const wchar_t* args;
        bool logAlone;
    } cases[] = {{L"/history", true}, {L"/History", false}, {L"/x", false}, {L"/history ", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "arguments \"" << c.args << "\"");
        Process app;
        auto shown = [&](const wchar_t* caption) {
            HWND hwnd = ui::FindDialog(app.Pid(), caption);
            return hwnd && IsWindowVisible(hwnd);
        };
        ASSERT_TRUE(app.Start(L"Quillpad.exe", c.args));
        ASSERT_TRUE(
            ui::WaitUntil([&] { return shown(ui::kSheetCaption) || shown(ui::kServiceLogCaption); }, 10000))
            << log.Dump();
        EXPECT_EQ(shown(ui::kServiceLogCaption), c.logAlone);
        EXPECT_EQ(shown(ui::kSheetCaption), !c.logAlone);
        EXPECT_FALSE(log.Contains(app.Pid(), "(Quillpad::OnMeMyselfAndI)")) << log.Dump();
        Close(app);
    }
}

// Absent or off, there is no console (the unit test's); set, the log goes to a console
// window with the program's title.
TEST_F(StartUp, ConsoleLevelSetAttachesTheConsoleObserver) {
    const wchar_t kDebugKey[] = L"Software\\Velar\\2.0\\Quillpad\\Debug";
    const DWORD level = 3;
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_CURRENT_USER, kDebugKey, L"ConsoleLogLevel", REG_DWORD, &level, sizeof(level)),
        ERROR_SUCCESS);
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

// The Help command looks for Inkwell.chm next to the executable, then in the build
// tree's install folder, and only logs a warning when neither is there.
TEST_F(StartUp, HelpIsLookedForNextToTheProgramThenInTheBuildTree) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const fs::path root = fs::path(temp) / ("quillpad-help-" + std::to_string(GetCurrentProcessId()));
    const fs::path exeDir = root / "1" / "2" / "3" / "4";
    fs::create_directories(exeDir);
    fs::copy_file(fs::path(Process::BinDir()) / "Quillpad.exe", exeDir / "Quillpad.exe");
    auto touch = [](const fs::path& file) {
        fs::create_directories(file.parent_path());
        CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    };
    auto found = [&] {
        Process app;
        EXPECT_TRUE(app.StartPath((exeDir / "Quillpad.exe").wstring()));
        HWND frame = app.WaitTopWindow(ui::kFrameClass);
        EXPECT_NE(frame, nullptr);
        PostMessageW(frame, WM_COMMAND, ui::kHelpCommand, 0);
        EXPECT_TRUE(log.WaitFor(app.Pid(), "<--(Quillpad::OnHelp)", 10s)) << log.Dump();
        EXPECT_FALSE(log.Contains(app.Pid(), "No path found.")) << log.Dump();
        const bool helpFound = !log.Contains(app.Pid(), "Unable to locate application.");
        app.Kill();
        return helpFound;
    };
    EXPECT_FALSE(found());
    touch(root / "PC_install" / "install" / "Tamber" / "build" / "bin" / "Applications" / "Inkwell.chm");
    EXPECT_TRUE(found());
    fs::remove_all(root / "PC_install");
    touch(exeDir / "Inkwell.chm");
    EXPECT_TRUE(found());
    std::error_code ignored;
    fs::remove_all(root, ignored);
}
} // namespace

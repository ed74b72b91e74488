// The console log follows "Debug/ConsoleLogLevel" in the per-user tree (absent or off: no
// console, the unit test's).
#include <gtest/gtest.h>

#include <chrono>

#include "ui/driver/DebugLog.h"
#include "ui/driver/Process.h"

namespace {
using namespace std::chrono_literals;
const wchar_t kDebugKey[] = L"Software\\Velar\\2.0\\Quillpad\\Debug";

class ConsoleLog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(log.IsListening()); }
    void TearDown() override { RegDeleteKeyW(HKEY_CURRENT_USER, kDebugKey); }

    static void SetLevel(DWORD level) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDebugKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"ConsoleLogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level), sizeof(level));
        RegCloseKey(key);
    }

    void Close(Process& process) {
        HWND frame = process.WaitTopWindow(L"QuillpadFrame");
        ASSERT_NE(frame, nullptr);
        PostMessageW(frame, WM_CLOSE, 0, 0);
        EXPECT_TRUE(process.WaitExit(5000));
    }

    DebugLog log;
};

TEST_F(ConsoleLog, LevelSetAttachesTheConsoleObserver) {
    SetLevel(3);
    Process app;
    // Detached from the test's own console, as when started from the desktop.
    ASSERT_TRUE(app.Start(L"Quillpad.exe", L"", DETACHED_PROCESS));
    ASSERT_TRUE(log.WaitFor(app.Pid(), "Information: Attaching Console observer. Level: 3.", 10s)) << log.Dump();
    // From then on the log goes to the console only: trace lines no longer reach the
    // debug output.
    Sleep(500);
    EXPECT_FALSE(log.Contains(app.Pid(), "Looks like I'm alone...")) << log.Dump();

    // The console window carries the program's title. (Wine's console window belongs to
    // conhost and has no system menu reachable from here, so the removed Close command
    // can't be checked.)
    HWND console = nullptr;
    for (int i = 0; i < 100 && !(console = FindWindowW(nullptr, L"Quillpad (Tamber)")); ++i)
        Sleep(50);
    EXPECT_NE(console, nullptr);
    Close(app);
}
} // namespace

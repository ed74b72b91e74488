// The Help command at the main frame looks for Inkwell.chm next to the executable, then
// in the build tree's install folder, and only logs a warning when neither is there.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "ui/driver/DebugLog.h"
#include "ui/driver/Process.h"

namespace {
using namespace std::chrono_literals;
namespace fs = std::filesystem;
constexpr WPARAM kHelpCommand = 57670;

class Help : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(log.IsListening());
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        root = fs::path(temp) / ("quillpad-help-" + std::to_string(GetCurrentProcessId()));
        exeDir = root / "1" / "2" / "3" / "4";
        fs::create_directories(exeDir);
        fs::copy_file(fs::path(Process::BinDir()) / "Quillpad.exe", exeDir / "Quillpad.exe");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    static void Touch(const fs::path& file) {
        fs::create_directories(file.parent_path());
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }

    // Starts the copy, asks for help, and tells whether the file was found.
    bool HelpFound() {
        Process app;
        EXPECT_TRUE(app.StartPath((exeDir / "Quillpad.exe").wstring()));
        HWND frame = app.WaitTopWindow(L"QuillpadFrame");
        EXPECT_NE(frame, nullptr);
        PostMessageW(frame, WM_COMMAND, kHelpCommand, 0);
        EXPECT_TRUE(log.WaitFor(app.Pid(), "<--(Quillpad::OnHelp)", 10s)) << log.Dump();
        bool found = !log.Contains(app.Pid(), "Unable to locate application.");
        EXPECT_FALSE(log.Contains(app.Pid(), "No path found.")) << log.Dump();
        app.Kill();
        return found;
    }

    DebugLog log;
    fs::path root;
    fs::path exeDir;
};

TEST_F(Help, LooksNextToTheProgramThenInTheBuildTree) {
    EXPECT_FALSE(HelpFound());
    Touch(root / "PC_install" / "install" / "Tamber" / "build" / "bin" / "Applications" / "Inkwell.chm");
    EXPECT_TRUE(HelpFound());
    fs::remove_all(root / "PC_install");
    Touch(exeDir / "Inkwell.chm");
    EXPECT_TRUE(HelpFound());
}
} // namespace

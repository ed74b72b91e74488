// penctl's argument rules and its exit codes as a script sees them: 2 for bad arguments,
// 1 when the pen manager cannot be reached.
#include <windows.h>

#include "PenctlArgs.h"

#include "pen/PenManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using PenctlArgs::Command;
using PenctlArgs::UsageError;
using PenctlArgs::ValueKind;
using PenctlArgs::Verb;

namespace {

Command parsed(std::vector<std::wstring> args) {
    auto result = PenctlArgs::parse(args);
    if (auto* usage = std::get_if<UsageError>(&result))
        ADD_FAILURE() << "refused: " << usage->message.c_str();
    return std::holds_alternative<Command>(result) ? std::get<Command>(result) : Command{};
}

TEST(PenctlArgsTest, CommandsCarryWhatTheControlCallsNeed) {
    EXPECT_EQ(parsed({L"status"}).verb, Verb::Status);
    EXPECT_EQ(parsed({L"dump"}).verb, Verb::Dump);

    Command lock = parsed({L"lock", L"PEN-1"});
    EXPECT_EQ(lock.verb, Verb::Lock);
    EXPECT_TRUE(lock.unlockSucceeds);
    EXPECT_FALSE(parsed({L"lock", L"PEN-1", L"--unlock-fails"}).unlockSucceeds);

    Command outbox = parsed({L"outbox", L"add", L"PEN-1", L"{\"status\": 1}"});
    EXPECT_EQ(outbox.verb, Verb::OutboxAdd);
    EXPECT_EQ(outbox.penId, L"PEN-1");
    EXPECT_EQ(outbox.json, L"{\"status\": 1}");

    // HRESULTs are written in hex and travel as their 32-bit pattern.
    Command fail = parsed({L"fail", L"IPen::GetUserData", L"0x80004005"});
    EXPECT_EQ(fail.method, L"IPen::GetUserData");
    EXPECT_EQ(static_cast<unsigned long>(fail.number), 0x80004005ul);
    EXPECT_EQ(fail.count, -1);
    EXPECT_EQ(parsed({L"fail", L"IPen::GetUserData", L"0x8007000E", L"--times", L"3"}).count, 3);
    Command delay = parsed({L"delay", L"IPen::GetOutbox", L"1500", L"--times", L"1"});
    EXPECT_EQ(delay.verb, Verb::Delay);
    EXPECT_EQ(delay.number, 1500);
    EXPECT_EQ(delay.count, 1);

    Command burst = parsed({L"burst", L"PEN-1", L"outbox", L"200"});
    EXPECT_EQ(burst.verb, Verb::Burst);
    EXPECT_EQ(burst.dispId, 9);
    EXPECT_EQ(burst.count, 200);
    EXPECT_EQ(parsed({L"burst", L"PEN-1", L"unlocked", L"1"}).dispId, 10);
    EXPECT_EQ(parsed({L"calls"}).verb, Verb::Calls);
}

TEST(PenctlArgsTest, SetValuesAreTypedAndPathsRooted) {
    Command flag = parsed({L"set", L"PEN-1", L"/userData/nameReadOnly", L"true"});
    EXPECT_EQ(flag.path, L"/pens/PEN-1/userData/nameReadOnly");
    EXPECT_EQ(flag.valueKind, ValueKind::Flag);
    EXPECT_EQ(flag.number, 1);

    Command number = parsed({L"set", L"PEN-1", L"/userData/timeZone", L"-60"});
    EXPECT_EQ(number.valueKind, ValueKind::Number);
    EXPECT_EQ(number.number, -60);

    Command text = parsed({L"set", L"PEN-1", L"/userData/cellPhone", L"600123456", L"--text"});
    EXPECT_EQ(text.valueKind, ValueKind::Text);
    EXPECT_EQ(text.text, L"600123456");
    EXPECT_EQ(parsed({L"set", L"PEN-1", L"/userData/name", L"Ana Pérez"}).valueKind, ValueKind::Text);

    Command manager = parsed({L"set", L"-", L"/manager/orskUrl", L"example.com:8080"});
    EXPECT_EQ(manager.path, L"/manager/orskUrl");
    EXPECT_EQ(manager.text, L"example.com:8080");
}

TEST(PenctlArgsTest, MalformedCommandLinesAreUsageErrors) {
    const std::vector<std::vector<std::wstring>> bad = {
        {},
        {L"frobnicate"},
        {L"status", L"extra"},
        {L"dock"},
        {L"dock", L"PEN-1", L"PEN-2"},
        {L"dock", L"--unlock-fails"},
        {L"lock", L"PEN-1", L"--unlock-works"},
        {L"outbox", L"PEN-1", L"{}"},
        {L"outbox", L"add", L"PEN-1", L"not json"},
        {L"set", L"PEN-1", L"/userData/name"},
        {L"set", L"PEN-1", L"userData/name", L"x"},
        {L"set", L"PEN-1", L"/userData/name", L"x", L"--frob"},
        {L"fail", L"IPen::Unlock"},
        {L"fail", L"IPen::Unlock", L"E_FAIL"},
        {L"fail", L"IPen::Unlock", L"0"},
        {L"fail", L"IPen::Unlock", L"0x100000000"},
        {L"fail", L"IPen::Unlock", L"0x80004005", L"--times"},
        {L"fail", L"IPen::Unlock", L"0x80004005", L"--times", L"0"},
        {L"fail", L"IPen::Unlock", L"0x80004005", L"--times", L"2x"},
        {L"delay", L"IPen::Unlock", L"-5"},
        {L"delay", L"IPen::Unlock", L"ten"},
        {L"burst", L"PEN-1", L"docked"},
        {L"burst", L"PEN-1", L"docking", L"3"},
        {L"burst", L"PEN-1", L"docked", L"0"},
        {L"burst", L"--x", L"docked", L"3"},
        {L"calls", L"clear"},
    };
    for (const auto& args : bad) {
        std::wstring line;
        for (const auto& a : args)
            line += a + L" ";
        EXPECT_TRUE(std::holds_alternative<UsageError>(PenctlArgs::parse(args)))
            << "accepted: " << line.c_str();
    }
}

// Runs penctl.exe from beside this test and answers its exit code, or -1.
long runPenctl(const std::wstring& arguments) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe(self);
    exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"penctl.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(code);
}

TEST(PenctlExitCodeTest, BadArgumentsExitWithTwoBeforeAnyComCall) {
    EXPECT_EQ(runPenctl(L""), 2);
    EXPECT_EQ(runPenctl(L"dock"), 2);
    EXPECT_EQ(runPenctl(L"fail IPen::Unlock 0x80004005 --times 0"), 2);
    EXPECT_EQ(runPenctl(L"outbox add PEN-1 \"not json\""), 2);
}

// This test's prefix is a throw-away copy: removing the control class there leaves the
// pen manager unreachable whether or not the build has made PenManager.exe.
TEST(PenctlExitCodeTest, UnreachablePenManagerExitsWithOne) {
    wchar_t clsid[40];
    StringFromGUID2(CLSID_PenManagerControl, clsid, 40);
    std::wstring key = std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
    LSTATUS rc = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    ASSERT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) << rc;

    EXPECT_EQ(runPenctl(L"status"), 1);
    EXPECT_EQ(runPenctl(L"dock PEN-1"), 1);
    EXPECT_EQ(runPenctl(L"quit"), 1);
}

} // namespace

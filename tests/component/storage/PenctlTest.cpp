// penctl's argument rules, and what a script sees of it: values from files or standard
// input, exit codes and a message for every failure.
#include <windows.h>

#include "PenctlArgs.h"

#include "pen/PenManager.h"
#include "ui/driver/Driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using PenctlArgs::Command;
using PenctlArgs::UsageError;
using PenctlArgs::ValueKind;
using PenctlArgs::Verb;
using ui::StandIn;

namespace {

// The fields of a command that differ from a fresh one: what the control calls get.
std::wstring fields(const Command& c) {
    static const wchar_t* const verbs[] = {L"status", L"dock",     L"undock", L"lock", L"unlock", L"outbox",
                                           L"set",    L"password", L"hint",   L"fail", L"delay",  L"burst",
                                           L"clear",  L"dump",     L"calls",  L"quit"};
    std::wstring text = verbs[static_cast<int>(c.verb)];
    auto add = [&](bool present, const wchar_t* name, const std::wstring& value) {
        if (present)
            text += std::wstring(L" ") + name + L"=" + value;
    };
    add(!c.penId.empty(), L"pen", c.penId);
    add(!c.unlockSucceeds, L"unlockSucceeds", L"0");
    add(!c.json.empty(), L"json", c.json);
    add(!c.path.empty(), L"path", c.path);
    const wchar_t* const kinds[] = {L"text", L"number", L"flag", L"json"};
    add(c.valueKind != ValueKind::Text, L"kind", kinds[static_cast<int>(c.valueKind)]);
    add(!c.text.empty(), L"text", c.text);
    add(!c.hint.empty(), L"hint", c.hint);
    add(c.number != 0, L"number", std::to_wstring(c.number));
    add(!c.method.empty(), L"method", c.method);
    add(c.count != -1, L"count", std::to_wstring(c.count));
    add(c.dispId != 0, L"dispId", std::to_wstring(c.dispId));
    return text;
}

// What each command line gives the control calls; nullptr: refused as a usage error.
TEST(PenctlArgsTest, CommandLinesGiveTheControlCallsWhatTheyNeedOrAreRefused) {
    const std::pair<std::vector<std::wstring>, const wchar_t*> rows[] = {
        // The forms the tests' driver uses (status, dock, lock, set, fail, password...) are
        // tried by every ui test; these it never uses.
        {{L"delay", L"IPen::GetOutbox", L"1500"}, L"delay number=1500 method=IPen::GetOutbox"},
        {{L"burst", L"PEN-1", L"unlocked", L"1"}, L"burst pen=PEN-1 count=1 dispId=10"},
        {{L"hint", L"PEN-1"}, L"hint pen=PEN-1"},
        {{}, nullptr},
        {{L"frobnicate"}, nullptr},
        {{L"dock", L"PEN-1", L"PEN-2"}, nullptr},
        {{L"lock", L"PEN-1", L"--unlock-works"}, nullptr},
        {{L"outbox", L"add", L"PEN-1", L"not json"}, nullptr},
        {{L"set", L"PEN-1", L"userData/name", L"x"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"E_FAIL"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"0"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"0x100000000"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"0x80004005", L"--times", L"0"}, nullptr},
        {{L"delay", L"IPen::Unlock", L"-5"}, nullptr},
        {{L"burst", L"PEN-1", L"docking", L"3"}, nullptr},
        {{L"burst", L"PEN-1", L"docked", L"0"}, nullptr},
        {{L"password", L"PEN-1", L""}, nullptr},
        {{L"password", L"PEN-1", L"--clear", L"pista"}, nullptr},
    };
    for (const auto& [args, want] : rows) {
        auto result = PenctlArgs::parse(args);
        if (auto* usage = std::get_if<UsageError>(&result)) {
            EXPECT_EQ(want, nullptr) << testing::PrintToString(args) << "refused: " << usage->message;
        } else {
            EXPECT_EQ(fields(std::get<Command>(result)), want ? want : L"(refused)")
                << testing::PrintToString(args);
        }
    }
}

// A JSON value too long for a command line comes from a file or standard input; every
// failure says on stderr what failed: 2 for bad arguments or an unreadable value, 1 when
// the pen manager cannot be reached (this test's prefix is a throw-away copy, whose
// control class the second half removes).
TEST(PenctlExitCodeTest, ValuesFromFilesOrInputAndEveryFailureToldOnStderr) {
    const std::string big = "{\"note\": \"" + std::string(100000, 'x') + "\"}";
    const std::wstring bigFile = Process::BinDir() + L"\\big.json";
    std::ofstream(std::filesystem::path(bigFile), std::ios::binary) << big;
    const std::string bigText = "\"" + std::string(100000, 'x') + "\"";
    const std::wstring pen = StandIn::kDemoPen;
    const struct {
        std::vector<std::wstring> arguments;
        std::string input;
        DWORD code;
        std::string shows; // in the dump afterwards (code 0) or on stderr
    } reachable[] = {
        {{L"set", L"-", L"/manager/big", L"@" + bigFile, L"--json"}, "", 0, bigText},
        {{L"set", pen, L"/userData/readOnly", L"-", L"--json"}, "{\"email\": true}", 0, "\"email\": true"},
        {{L"outbox", L"add", pen, L"-"}, "{\"seconds\": 77, \"serviceName\": \"stdin\"}", 0, "\"stdin\""},
        {{L"outbox", L"add", pen, L"-"}, "[1]", 2, "must be a JSON object"},
        {{L"set", L"-", L"/manager/big", L"@missing.json", L"--json"}, "", 2, "cannot open missing.json"},
        {{L"set", L"-", L"/manager/big", L"-", L"--json"}, "{\"a\": ", 1, "SetJson failed (0x80070057)"},
        {{L"dock", L"--x"}, "", 2, "dock needs one pen id"},
    };
    for (const auto& row : reachable) {
        const StandIn::Result run = StandIn::Run(row.arguments, 30000, row.input);
        EXPECT_EQ(row.code, run.exitCode) << run.err;
        const std::string shown = row.code ? run.err : StandIn::Run({L"dump"}).out;
        EXPECT_NE(std::string::npos, shown.find(row.shows)) << row.shows.substr(0, 40);
    }
    EXPECT_TRUE(StandIn::Quit());
    const auto ended = [] { // its single-instance mutex gone
        const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\QuillpadPenManagerStandIn");
        return !mutex || (CloseHandle(mutex), false);
    };
    EXPECT_TRUE(ui::WaitUntil(ended, 10000));

    wchar_t clsid[40];
    StringFromGUID2(CLSID_PenManagerControl, clsid, 40);
    std::wstring key = std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
    LSTATUS rc = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    ASSERT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) << rc;
    // Every command goes through the one connection; a value is read before it.
    const std::pair<std::vector<std::wstring>, DWORD> unreachable[] = {
        {{L"status"}, 1}, {{L"set", L"-", L"/manager/big", L"@missing.json", L"--json"}, 2}};
    for (const auto& [arguments, code] : unreachable) {
        const StandIn::Result run = StandIn::Run(arguments);
        EXPECT_EQ(code, run.exitCode);
        EXPECT_EQ(0u, run.err.rfind("penctl: ", 0)) << run.err;
    }
}

} // namespace

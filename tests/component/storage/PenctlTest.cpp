// penctl's argument rules, and what a script sees of it: values from files or standard
// input, exit codes and a message for every failure.
#include <windows.h>

#include "PenctlArgs.h"

#include "pen/PenManager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using PenctlArgs::Command;
using PenctlArgs::UsageError;
using PenctlArgs::ValueKind;
using PenctlArgs::Verb;

namespace {

std::wstring line(const std::vector<std::wstring>& args) {
    std::wstring text;
    for (const auto& a : args)
        text += a + L" ";
    return text;
}

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
        {{L"status"}, L"status"},
        {{L"lock", L"PEN-1"}, L"lock pen=PEN-1"},
        {{L"lock", L"PEN-1", L"--unlock-fails"}, L"lock pen=PEN-1 unlockSucceeds=0"},
        {{L"outbox", L"add", L"PEN-1", L"{\"status\": 1}"}, L"outbox pen=PEN-1 json={\"status\": 1}"},
        // HRESULTs are written in hex and travel as their 32-bit pattern (0x80004005).
        {{L"fail", L"IPen::GetUserData", L"0x80004005"}, L"fail number=-2147467259 method=IPen::GetUserData"},
        {{L"fail", L"IPen::GetUserData", L"0x8007000E", L"--times", L"3"},
         L"fail number=-2147024882 method=IPen::GetUserData count=3"},
        {{L"delay", L"IPen::GetOutbox", L"1500", L"--times", L"1"},
         L"delay number=1500 method=IPen::GetOutbox count=1"},
        {{L"burst", L"PEN-1", L"outbox", L"200"}, L"burst pen=PEN-1 count=200 dispId=9"},
        {{L"burst", L"PEN-1", L"unlocked", L"1"}, L"burst pen=PEN-1 count=1 dispId=10"},
        // Typed values; paths rooted at the pen, or at the state for "-".
        {{L"set", L"PEN-1", L"/userData/nameReadOnly", L"true"},
         L"set path=/pens/PEN-1/userData/nameReadOnly kind=flag text=true number=1"},
        {{L"set", L"PEN-1", L"/userData/timeZone", L"-60"},
         L"set path=/pens/PEN-1/userData/timeZone kind=number text=-60 number=-60"},
        {{L"set", L"PEN-1", L"/userData/cellPhone", L"600123456", L"--text"},
         L"set path=/pens/PEN-1/userData/cellPhone text=600123456"},
        {{L"set", L"PEN-1", L"/userData/readOnly", L"{\"email\":true}", L"--json"},
         L"set path=/pens/PEN-1/userData/readOnly kind=json text={\"email\":true}"},
        {{L"set", L"PEN-1", L"/userData/name", L"Ana Pérez"},
         L"set path=/pens/PEN-1/userData/name text=Ana Pérez"},
        {{L"set", L"-", L"/manager/orskUrl", L"example.com:8080"},
         L"set path=/manager/orskUrl text=example.com:8080"},
        {{L"password", L"PEN-1", L"Secreto1"}, L"password pen=PEN-1 text=Secreto1"},
        {{L"password", L"PEN-1", L"Clave Ñ", L"mi gato"}, L"password pen=PEN-1 text=Clave Ñ hint=mi gato"},
        {{L"password", L"PEN-1", L"--clear"}, L"password pen=PEN-1"}, // no password, no hint
        {{L"hint", L"PEN-1"}, L"hint pen=PEN-1"},
        {{}, nullptr},
        {{L"frobnicate"}, nullptr},
        {{L"status", L"extra"}, nullptr},
        {{L"dock", L"PEN-1", L"PEN-2"}, nullptr},
        {{L"dock", L"--unlock-fails"}, nullptr},
        {{L"lock", L"PEN-1", L"--unlock-works"}, nullptr},
        {{L"outbox", L"PEN-1", L"{}"}, nullptr},
        {{L"outbox", L"add", L"PEN-1", L"not json"}, nullptr},
        {{L"set", L"PEN-1", L"/userData/name"}, nullptr},
        {{L"set", L"PEN-1", L"userData/name", L"x"}, nullptr},
        {{L"set", L"PEN-1", L"/userData/name", L"x", L"--frob"}, nullptr},
        {{L"fail", L"IPen::Unlock"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"E_FAIL"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"0"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"0x100000000"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"0x80004005", L"--times"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"0x80004005", L"--times", L"0"}, nullptr},
        {{L"fail", L"IPen::Unlock", L"0x80004005", L"--times", L"2x"}, nullptr},
        {{L"delay", L"IPen::Unlock", L"-5"}, nullptr},
        {{L"delay", L"IPen::Unlock", L"ten"}, nullptr},
        {{L"burst", L"PEN-1", L"docked"}, nullptr},
        {{L"burst", L"PEN-1", L"docking", L"3"}, nullptr},
        {{L"burst", L"PEN-1", L"docked", L"0"}, nullptr},
        {{L"burst", L"--x", L"docked", L"3"}, nullptr},
        {{L"calls", L"clear"}, nullptr},
        {{L"password", L"PEN-1"}, nullptr},
        {{L"password", L"PEN-1", L""}, nullptr},
        {{L"password", L"--x", L"Secreto1"}, nullptr},
        {{L"password", L"PEN-1", L"--clear", L"pista"}, nullptr},
        {{L"password", L"PEN-1", L"Secreto1", L"pista", L"más"}, nullptr},
        {{L"hint", L"PEN-1", L"x"}, nullptr},
    };
    for (const auto& [args, want] : rows) {
        auto result = PenctlArgs::parse(args);
        if (auto* usage = std::get_if<UsageError>(&result)) {
            EXPECT_EQ(want, nullptr) << line(args) << "refused: " << usage->message;
        } else {
            EXPECT_EQ(fields(std::get<Command>(result)), want ? want : L"(refused)") << line(args);
        }
    }
}

struct PenctlRun {
    long code = -1;
    std::string out, err;
};

std::string fileText(const std::wstring& path) {
    std::string text;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char chunk[65536];
        for (size_t read; (read = fread(chunk, 1, sizeof chunk, file)) > 0;)
            text.append(chunk, read);
        fclose(file);
    }
    return text;
}

void writeFile(const std::wstring& path, const std::string& text) {
    if (FILE* file = _wfopen(path.c_str(), L"wb")) {
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
    }
}

std::wstring binDir() {
    wchar_t self[MAX_PATH];
    std::wstring exe(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    return exe.substr(0, exe.find_last_of(L'\\') + 1);
}

// Runs penctl.exe from beside this test with that standard input. Its output goes
// through files: a pen manager that penctl starts inherits its handles and outlives it.
PenctlRun runPenctl(const std::wstring& arguments, const std::string& input = "") {
    const std::wstring dir = binDir();
    const std::wstring exe = dir + L"penctl.exe", in = dir + L"penctl.in", out = dir + L"penctl.out",
                       err = dir + L"penctl.err";
    writeFile(in, input);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto open = [&](const std::wstring& path, bool reading) {
        return CreateFileW(path.c_str(), reading ? GENERIC_READ : GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           reading ? OPEN_EXISTING : CREATE_ALWAYS, 0, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = open(in, true);
    startup.hStdOutput = open(out, false);
    startup.hStdError = open(err, false);
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    PenctlRun run;
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        else
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        run.code = static_cast<long>(code);
    }
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        CloseHandle(handle);
    run.out = fileText(out);
    run.err = fileText(err);
    return run;
}

// A JSON value too long for a command line comes from a file or standard input; every
// failure says on stderr what failed: 2 for bad arguments or an unreadable value, 1 when
// the pen manager cannot be reached (this test's prefix is a throw-away copy, whose
// control class the second half removes).
TEST(PenctlExitCodeTest, ValuesFromFilesOrInputAndEveryFailureToldOnStderr) {
    const std::string big = "{\"note\": \"" + std::string(100000, 'x') + "\"}";
    const std::wstring bigFile = binDir() + L"big.json";
    writeFile(bigFile, big);
    const struct {
        std::wstring arguments;
        std::string input;
        long code;
        std::string shows; // in the dump afterwards (code 0) or on stderr
    } reachable[] = {
        {L"set - /manager/big \"@" + bigFile + L"\" --json", "", 0, "\"" + std::string(100000, 'x') + "\""},
        {L"set AAA-BBB-CCC-DD /userData/readOnly - --json", "{\"email\": true}", 0, "\"email\": true"},
        {L"outbox add AAA-BBB-CCC-DD -", " {\"seconds\": 77, \"serviceName\": \"Desde stdin\"}", 0,
         "Desde stdin"},
        {L"outbox add AAA-BBB-CCC-DD -", "[1]", 2, "must be a JSON object"},
        {L"set - /manager/big @missing.json --json", "", 2, "cannot open missing.json"},
        {L"set - /manager/big - --json", "{\"a\": ", 1, "SetJson failed (0x80070057)"},
        {L"dock --x", "", 2, "dock needs one pen id"},
    };
    for (const auto& row : reachable) {
        PenctlRun run = runPenctl(row.arguments, row.input);
        EXPECT_EQ(row.code, run.code) << row.arguments << "\n" << run.err;
        const std::string shown = row.code ? run.err : runPenctl(L"dump").out;
        EXPECT_NE(std::string::npos, shown.find(row.shows)) << row.arguments;
    }
    EXPECT_EQ(0, runPenctl(L"quit").code);
    for (int i = 0; i < 100; ++i) { // until the stand-in has ended
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\QuillpadPenManagerStandIn");
        if (!mutex)
            break;
        CloseHandle(mutex);
        Sleep(100);
    }

    wchar_t clsid[40];
    StringFromGUID2(CLSID_PenManagerControl, clsid, 40);
    std::wstring key = std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
    LSTATUS rc = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    ASSERT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) << rc;
    // Every command goes through the one connection; a value is read before it.
    const std::pair<const wchar_t*, long> unreachable[] = {{L"status", 1},
                                                           {L"set - /manager/big @missing.json --json", 2}};
    for (const auto& [arguments, code] : unreachable) {
        PenctlRun run = runPenctl(arguments);
        EXPECT_EQ(code, run.code) << arguments;
        EXPECT_EQ(0u, run.err.rfind("penctl: ", 0)) << arguments << ": " << run.err;
    }
}

} // namespace

#include "ui/driver/StandIn.h"

#include <cstdio>

#include "ui/driver/Process.h"

namespace ui {

namespace {

// One argument as the C runtime's command-line parser will split it again.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

// What the pipe holds now, without waiting for more.
void ReadAvailable(HANDLE pipe, std::string& text) {
    char chunk[4096];
    DWORD available = 0, read = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(pipe, chunk, sizeof chunk < available ? sizeof chunk : available, &read, nullptr) &&
           read > 0)
        text.append(chunk, read);
}

} // namespace

StandIn::Result StandIn::Run(const std::vector<std::wstring>& arguments, DWORD timeoutMs,
                             const std::string& input) {
    Result result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr, inRead = nullptr,
           inWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0) ||
        !CreatePipe(&inRead, &inWrite, &inherit, 65536))
        return result;
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(inWrite); // penctl reads to the end of its input

    std::wstring exe = Process::BinDir() + L"\\penctl.exe";
    std::wstring cmdLine = Quoted(exe);
    for (const std::wstring& argument : arguments)
        cmdLine += L" " + Quoted(argument);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    const bool started = CreateProcessPatiently(exe, cmdLine, true, CREATE_NO_WINDOW, si, pi);
    // Only the child holds the write ends now, so the reads end when it does.
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    CloseHandle(inRead);
    if (started) {
        // A dump can outgrow the pipe: read while penctl runs. The end of the output is
        // penctl's exit, not the pipe's end: a pen manager that penctl's call started
        // inherits the write ends and keeps them open for as long as it runs.
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        for (;;) {
            ReadAvailable(outRead, result.out);
            ReadAvailable(errRead, result.err);
            if (WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0) {
                GetExitCodeProcess(pi.hProcess, &result.exitCode);
                break;
            }
            if (GetTickCount64() >= deadline) {
                TerminateProcess(pi.hProcess, static_cast<UINT>(-1));
                break;
            }
        }
        // What penctl wrote last may still be on its way into the pipe: read until the
        // pipe stays quiet for a moment.
        for (size_t before = SIZE_MAX; before != result.out.size() + result.err.size();) {
            before = result.out.size() + result.err.size();
            Sleep(10);
            ReadAvailable(outRead, result.out);
            ReadAvailable(errRead, result.err);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    if (!result.Ok()) {
        // Said on the test's error stream: most callers see only false.
        std::string what = !started ? "did not start"
                           : result.exitCode == static_cast<DWORD>(-1)
                               ? "did not finish within " + std::to_string(timeoutMs) + " ms"
                               : "ended with " + std::to_string(result.exitCode);
        fprintf(stderr, "StandIn: %ls: %s. %s\n", cmdLine.c_str(), what.c_str(), result.err.c_str());
    }
    return result;
}

bool StandIn::Dock(const std::wstring& penId) {
    return Run({L"dock", penId}).Ok();
}

bool StandIn::Undock(const std::wstring& penId) {
    return Run({L"undock", penId}).Ok();
}

bool StandIn::Lock(const std::wstring& penId, bool unlockSucceeds) {
    if (unlockSucceeds)
        return Run({L"lock", penId}).Ok();
    return Run({L"lock", penId, L"--unlock-fails"}).Ok();
}

bool StandIn::Unlock(const std::wstring& penId) {
    return Run({L"unlock", penId}).Ok();
}

bool StandIn::AddOutboxItem(const std::wstring& penId, const std::wstring& json) {
    return Run({L"outbox", L"add", penId, json}).Ok();
}

bool StandIn::Set(const std::wstring& penId, const std::wstring& path, const std::wstring& value,
                  bool asText) {
    std::vector<std::wstring> args{L"set", penId, path, value};
    if (asText)
        args.push_back(L"--text");
    return Run(args).Ok();
}

bool StandIn::SetJson(const std::wstring& penId, const std::wstring& path, const std::string& json) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, json.data(), static_cast<int>(json.size()), nullptr, 0);
    std::wstring text(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, json.data(), static_cast<int>(json.size()), text.data(), size);
    return Run({L"set", penId, path, text, L"--json"}).Ok();
}

int StandIn::CallCount(const std::string& method) {
    const std::string calls = Run({L"calls"}).out;
    const std::string quoted = "\"" + method + "\"";
    int count = 0;
    for (size_t at = calls.find(quoted); at != std::string::npos; at = calls.find(quoted, at + 1))
        ++count;
    return count;
}

std::vector<std::string> StandIn::Calls() {
    const nlohmann::json calls = nlohmann::json::parse(Run({L"calls"}).out, nullptr, false);
    std::vector<std::string> methods;
    if (calls.is_array())
        for (const auto& call : calls)
            methods.push_back(call.value("method", ""));
    return methods;
}

bool StandIn::Fail(const std::wstring& method, HRESULT hr, int times) {
    wchar_t code[16];
    swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    std::vector<std::wstring> args{L"fail", method, code};
    if (times >= 0)
        args.insert(args.end(), {L"--times", std::to_wstring(times)});
    return Run(args).Ok();
}

bool StandIn::Clear() {
    return Run({L"clear"}).Ok();
}

nlohmann::json StandIn::State() {
    Result result = Run({L"dump"});
    nlohmann::json state = result.Ok() ? nlohmann::json::parse(result.out, nullptr, false) : nlohmann::json();
    if (!result.Ok() || state.is_discarded()) {
        // Said on the test's error stream: a test that reads a null state fails later.
        fprintf(stderr, "StandIn::State: penctl dump gave exit code %lu, %zu bytes of output: %s\n",
                static_cast<unsigned long>(result.exitCode), result.out.size(), result.err.c_str());
        return nlohmann::json();
    }
    return state;
}

bool StandIn::Quit() {
    return Run({L"quit"}).Ok();
}

} // namespace ui

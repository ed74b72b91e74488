#include "ui/driver/Process.h"

#include <tlhelp32.h>

#include "ui/driver/Wait.h"
#include "ui/driver/Window.h"

#include <cstdio>
#include <vector>

Process::~Process() { Kill(); }

bool CreateProcessPatiently(const std::wstring& exe, const std::wstring& cmdLine, bool inheritHandles, DWORD flags,
                            STARTUPINFOW& si, PROCESS_INFORMATION& pi) {
    // Under load Wine now and then refuses a start that works every other time: try again a
    // little later, and say so, before the test fails on it.
    for (int attempt = 1;; ++attempt) {
        std::wstring writable = cmdLine; // CreateProcessW may write into it
        if (CreateProcessW(exe.c_str(), writable.data(), nullptr, nullptr, inheritHandles, flags, nullptr, nullptr,
                           &si, &pi))
            return true;
        fwprintf(stderr, L"Process: could not start %ls (error %lu, attempt %d)\n", cmdLine.c_str(), GetLastError(),
                 attempt);
        if (attempt == 3)
            return false;
        Sleep(200);
    }
}

std::wstring Process::BinDir() {
    std::vector<wchar_t> path(32768);
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring dir(path.data(), length);
    return dir.substr(0, dir.rfind(L'\\'));
}

DWORD Process::RunToEnd(const std::wstring& exePath, const std::wstring& arguments, DWORD timeoutMs) {
    Process process;
    if (!process.StartPath(exePath, arguments) || !process.WaitExit(timeoutMs))
        return static_cast<DWORD>(-1);
    DWORD code = process.ExitCode();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != process.Pid())
            continue;
        const DWORD access = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;
        if (HANDLE child = OpenProcess(access, FALSE, entry.th32ProcessID)) {
            if (WaitForSingleObject(child, timeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(child, &code))
                code = static_cast<DWORD>(-1);
            CloseHandle(child);
        }
    }
    CloseHandle(snapshot);
    return code;
}

bool Process::Start(const std::wstring& exeName, const std::wstring& arguments, DWORD creationFlags) {
    return StartPath(BinDir() + L"\\" + exeName, arguments, creationFlags);
}

bool Process::StartPath(const std::wstring& exe, const std::wstring& arguments, DWORD creationFlags) {
    Kill();
    std::wstring cmdLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        cmdLine += L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    return CreateProcessPatiently(exe, cmdLine, false, creationFlags, si, m_info);
}

bool Process::WaitExit(DWORD timeoutMs) {
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (m_info.hProcess)
        GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

DWORD Process::LifetimeMs() const {
    FILETIME created, exited, kernel, user;
    if (!m_info.hProcess || !GetProcessTimes(m_info.hProcess, &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return ticks(exited) > ticks(created) ? static_cast<DWORD>((ticks(exited) - ticks(created)) / 10000) : 0;
}

HWND Process::FindTopWindow(const wchar_t* className, const wchar_t* title) const {
    for (HWND hwnd : ui::TopWindows(Pid(), className)) {
        wchar_t text[256] = {};
        if (!title || (GetWindowTextW(hwnd, text, 256) && lstrcmpW(text, title) == 0))
            return hwnd;
    }
    return nullptr;
}

HWND Process::WaitTopWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs) const {
    return ui::WaitFor([&] { return FindTopWindow(className, title); }, timeoutMs);
}

void Process::Kill() {
    if (!m_info.hProcess)
        return;
    if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
        // A panel that a test left running is first asked to close, as a user would: it
        // unadvises from the pen manager on its way out. Killed while the stand-in calls its
        // event sink, it can leave the stand-in waiting for an answer that never comes.
        if (HWND frame = FindTopWindow(L"QuillpadFrame")) {
            PostMessageW(frame, WM_CLOSE, 0, 0);
            WaitForSingleObject(m_info.hProcess, 3000);
        }
    }
    if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_info.hProcess, 1);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
    CloseHandle(m_info.hProcess);
    CloseHandle(m_info.hThread);
    m_info = {};
}

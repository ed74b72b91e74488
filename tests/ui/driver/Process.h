#pragma once
// Process: a program of the build tree started by a test, ended when the object goes.
#include <windows.h>
#include <string>

// CreateProcessW, tried up to three times (Wine refuses a start now and then under load).
bool CreateProcessPatiently(const std::wstring& exe, const std::wstring& cmdLine, bool inheritHandles, DWORD flags,
                            STARTUPINFOW& si, PROCESS_INFORMATION& pi);

class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts the executable found next to the test executable, with the arguments.
    bool Start(const std::wstring& exeName, const std::wstring& arguments = L"", DWORD creationFlags = 0);
    // Starts an executable by its full path.
    bool StartPath(const std::wstring& exePath, const std::wstring& arguments = L"", DWORD creationFlags = 0);
    DWORD Pid() const { return m_info.dwProcessId; }
    // True when the process ended within the timeout.
    bool WaitExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    // From creation to exit, as the system counts it (0 while it runs).
    DWORD LifetimeMs() const;
    // Top-level windows of the process with the given class (any when null).
    HWND FindTopWindow(const wchar_t* className, const wchar_t* title = nullptr) const;
    // FindTopWindow, polled until the window exists or the timeout passes.
    HWND WaitTopWindow(const wchar_t* className, const wchar_t* title = nullptr, DWORD timeoutMs = 5000) const;
    void Kill();

    // Runs a program to its end and to the end of the programs it started (an NSIS
    // uninstaller runs on from a copy of itself); the exit code of the last to end, -1
    // when it did not start or end in time.
    static DWORD RunToEnd(const std::wstring& exePath, const std::wstring& arguments,
                          DWORD timeoutMs = 120000);

    // The directory of the running test executable.
    static std::wstring BinDir();

private:
    PROCESS_INFORMATION m_info{};
};

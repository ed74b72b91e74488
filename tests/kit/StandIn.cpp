#include <cstdio>

#include "StandIn.h"

namespace StandIn {

namespace {

const wchar_t kInstanceMutex[] = L"Local\\QuillpadPenManagerStandIn";
const wchar_t kReadyEvent[] = L"Local\\QuillpadPenManagerStandInReady";

bool waitForState(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(10)) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status))
            return false;
        if (status.dwCurrentState == state)
            return true;
    }
    return false;
}

} // namespace

DWORD processId(IPenManagerControl* control) {
    LONG pid = 0;
    return control && SUCCEEDED(control->GetProcessId(&pid)) ? static_cast<DWORD>(pid) : 0;
}

bool kill(IPenManagerControl* control) {
    DWORD pid = processId(control);
    HANDLE process = pid ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid) : nullptr;
    if (!process)
        return false;
    bool ended = TerminateProcess(process, 9) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

bool running() {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutex);
    if (!mutex)
        return false;
    // A killed holder leaves the mutex abandoned; it lives on only through our handle.
    DWORD wait = WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        ReleaseMutex(mutex);
    CloseHandle(mutex);
    return wait == WAIT_TIMEOUT;
}

bool restartRpcSs() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceW(manager, L"RpcSs", SERVICE_STOP | SERVICE_START | SERVICE_QUERY_STATUS);
    bool restarted = false;
    if (service) {
        SERVICE_STATUS status{};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        restarted = waitForState(service, SERVICE_STOPPED, 5000) && StartServiceW(service, 0, nullptr) &&
                    waitForState(service, SERVICE_RUNNING, 5000);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return restarted;
}

std::wstring binDir() {
    wchar_t self[MAX_PATH];
    std::wstring exe(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    return exe.substr(0, exe.find_last_of(L'\\') + 1);
}

HANDLE start(DWORD timeoutMs) {
    std::wstring exe = binDir() + L"PenManager.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    // Created unset before the start: the event of a killed stand-in may still be set.
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kReadyEvent);
    if (!ready)
        return nullptr;
    ResetEvent(ready);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    HANDLE result = nullptr;
    // Wine now and then refuses a process start under load: try again before giving up.
    for (int attempt = 0; attempt < 3 && !result; ++attempt) {
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            std::fprintf(stderr, "StandIn::start: CreateProcess failed (%lu)\n", GetLastError());
            Sleep(200);
            continue;
        }
        CloseHandle(process.hThread);
        HANDLE waits[] = {ready, process.hProcess};
        const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, timeoutMs);
        if (waited == WAIT_OBJECT_0) {
            result = process.hProcess;
        } else {
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            std::fprintf(stderr, "StandIn::start: the stand-in %s (exit code 0x%08lx)\n",
                         waited == WAIT_OBJECT_0 + 1 ? "ended before it was ready" : "was not ready in time", code);
            if (waited != WAIT_OBJECT_0 + 1)
                TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
        }
    }
    CloseHandle(ready);
    return result;
}

} // namespace StandIn

// installer_bench OUT.json: one silent install of QuillpadSetup.exe and one silent
// uninstall in this prefix, timed from the start of each program to the end of the last
// process it started. The uninstaller runs as the list of programs runs it
// ("Uninstall.exe /S"): it copies itself to %TEMP%, starts the copy and ends at once, so
// it is waited for through a job object that its copy joins. The times are added to
// those of earlier runs kept in OUT.json.samples, and OUT.json gets the figures of all
// of them with the installer's size; bench/run.sh runs it in 5 fresh prefixes.
//
// In a fresh prefix Wine starts its desktop process (explorer.exe) as a child of the
// first program that needs a desktop, and that process stays as long as any program is
// on the desktop: waiting for all the installer started would then wait for it (for a
// second after the last window, or for ever while the waiting program is on the desktop
// itself). The driver brings the desktop up before it starts anything.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "Figures.h"

namespace {
const wchar_t kFolder[] = L"C:\\Program Files\\Velar\\Quillpad";
constexpr DWORD kTimeoutMs = 120000;

int fail(const char* what) {
    fprintf(stderr, "installer_bench: %s\n", what);
    return 1;
}

std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    std::wstring dir(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return dir.substr(0, dir.rfind(L'\\'));
}

// Runs the command line with every process it starts in one job; the milliseconds until
// the last of them ended, -1 when it did not start, did not end in time or failed.
double RunTimed(std::wstring commandLine) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{job, port};
    SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &association,
                            sizeof(association));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    double ms = -1;
    const double start = BenchNow();
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                       nullptr, &si, &pi)) {
        AssignProcessToJobObject(job, pi.hProcess);
        ResumeThread(pi.hThread);
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED overlapped = nullptr;
        while (GetQueuedCompletionStatus(port, &message, &key, &overlapped, kTimeoutMs))
            if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
                ms = BenchNow() - start;
                break;
            }
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        if (code != 0)
            ms = -1;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(port);
    CloseHandle(job);
    return ms;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return fail("usage: installer_bench OUT.json");
    const std::wstring setup = BinDir() + L"\\..\\QuillpadSetup.exe";
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(setup.c_str(), GetFileExInfoStandard, &attributes))
        return fail("no QuillpadSetup.exe beside bin");
    if (!GetDesktopWindow())
        return fail("no desktop");
    const double install = RunTimed(L"\"" + setup + L"\" /S /D=" + kFolder);
    if (install < 0)
        return fail("the silent install failed");
    const std::wstring folder = kFolder;
    const double uninstall = RunTimed(L"\"" + folder + L"\\Uninstall.exe\" /S");
    if (uninstall < 0)
        return fail("the silent uninstall failed");
    if (GetFileAttributesW(kFolder) != INVALID_FILE_ATTRIBUTES)
        return fail("the uninstall left the folder");

    const std::wstring samplesPath = std::wstring(argv[1]) + L".samples";
    { std::wofstream(samplesPath.c_str(), std::ios::app) << install << L' ' << uninstall << L'\n'; }
    Figures installs, uninstalls;
    std::wifstream samples(samplesPath.c_str());
    for (double i, u; samples >> i >> u;) {
        installs.samples.push_back(i);
        uninstalls.samples.push_back(u);
    }
    FILE* out = _wfopen(argv[1], L"w");
    if (!out)
        return fail("cannot write the figures");
    fprintf(out,
            "{\n  \"installerBytes\": %lu,\n  \"silentInstallMs\": %s,\n  \"silentUninstallMs\": %s\n}\n",
            attributes.nFileSizeLow, installs.json().c_str(), uninstalls.json().c_str());
    fclose(out);
    return 0;
}

// DemoTour STEP: one step of make demo's headless tour, acting on the running
// Quillpad.exe as a user would; the script takes a screenshot after each step.
//   help      opens the help file (the Help command), waits for its window
//   question  shows the service log and asks to remove its first request
//   answer    answers that question No and hides the service log again
//   about     shows the About page, presses "Copiar" and prints what was copied
//   page TAB  shows the sheet's page with that tab caption
//   open ID   clicks button ID of the current page and waits for the window it opens
//   select ID N  selects item N (from 0) of list view ID on the current page
//   close [CAPTION]  closes the window with that caption, or the dialog over the sheet
//   click CAPTION ID|close  clicks button ID of the top-level window whose caption
//             starts with CAPTION (the installer's pages), or closes it; Quillpad need
//             not run
#include <windows.h>
#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "ui/driver/Driver.h"

namespace {

DWORD QuillpadPid() {
    DWORD pid = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !pid; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, L"Quillpad.exe") == 0)
            pid = entry.th32ProcessID;
    CloseHandle(snapshot);
    return pid;
}

HWND TopWindow(DWORD pid, const wchar_t* caption) {
    return ui::WaitFor([&]() -> HWND {
        for (HWND hwnd : ui::TopWindows(pid))
            if (ui::Control(hwnd).Text() == caption)
                return hwnd;
        return nullptr;
    });
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring step = argc >= 2 ? argv[1] : L"";
    if (step == L"click" && argc == 4) {
        // The installer's caption ends with a blank.
        HWND window = ui::WaitFor([&]() -> HWND {
            for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, nullptr, nullptr)) != nullptr;)
                if (ui::Control(hwnd).Text().rfind(argv[2], 0) == 0)
                    return hwnd;
            return nullptr;
        });
        if (!window)
            return 1;
        if (std::wstring(argv[3]) == L"close")
            ui::Post(window, WM_CLOSE);
        else
            ui::Control(window, _wtoi(argv[3])).PostClick();
        return 0;
    }
    DWORD pid = QuillpadPid();
    if (!pid) {
        fprintf(stderr, "DemoTour: Quillpad.exe is not running\n");
        return 1;
    }
    if (step == L"help") {
        ui::Post(ui::TopWindows(pid, ui::kFrameClass).at(0), WM_COMMAND, ui::kHelpCommand);
        return TopWindow(pid, ui::kHelpCaption) ? 0 : 1;
    }
    if (step == L"question") {
        ui::Sheet sheet = ui::Sheet::Find(pid, ui::kSheetCaption);
        if (!sheet)
            return 1;
        sheet.Item(IDC_PEN_HISTORY).Click();
        HWND log = TopWindow(pid, ui::kServiceLogCaption);
        if (!log || !ui::ListView(log, IDC_HISTORY_LIST).Select(0))
            return 1;
        ui::Control(log, IDC_REMOVE_ITEM).PostClick();
        return ui::MessageBoxWindow::Wait(pid) ? 0 : 1;
    }
    if (step == L"answer") {
        ui::MessageBoxWindow box = ui::MessageBoxWindow::Find(pid);
        if (box)
            box.Answer(IDNO);
        if (HWND log = TopWindow(pid, ui::kServiceLogCaption))
            ui::Post(log, WM_CLOSE);
        return 0;
    }
    if (step == L"close" && argc == 3) {
        if (HWND window = TopWindow(pid, argv[2]))
            ui::Post(window, WM_CLOSE);
        return 0;
    }
    if (step == L"page" || step == L"open" || step == L"close" || step == L"select") {
        ui::Sheet sheet = ui::Sheet::Find(pid, ui::kSheetCaption);
        if (!sheet)
            return 1;
        if (step == L"page")
            return argc == 3 && sheet.SelectPage(std::wstring(argv[2])) ? 0 : 1;
        if (step == L"select")
            return argc == 4 && ui::ListView(sheet.CurrentPage(), _wtoi(argv[2])).Select(_wtoi(argv[3])) ? 0 : 1;
        if (step == L"open") {
            sheet.Item(argc == 3 ? _wtoi(argv[2]) : 0).PostClick();
            return ui::WaitFor([&] { return GetLastActivePopup(sheet.Hwnd()) != sheet.Hwnd(); }) ? 0 : 1;
        }
        HWND popup = GetLastActivePopup(sheet.Hwnd());
        if (popup != sheet.Hwnd())
            ui::Post(popup, WM_CLOSE);
        return 0;
    }
    if (step == L"about") {
        ui::Sheet sheet = ui::Sheet::Find(pid, ui::kSheetCaption);
        if (!sheet || !sheet.SelectPage(L"Acerca de"))
            return 1;
        sheet.Item(IDC_COPY_INFO).Click();
        std::wstring copied;
        if (ui::WaitUntil([] { return OpenClipboard(nullptr) != FALSE; })) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                copied = static_cast<const wchar_t*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        // UTF-8 bytes as they are, for the terminal of the one who runs the demo.
        std::string text(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, copied.c_str(), -1, nullptr, 0,
                                                                 nullptr, nullptr)),
                         '\0');
        WideCharToMultiByte(CP_UTF8, 0, copied.c_str(), -1, text.data(), static_cast<int>(text.size()),
                            nullptr, nullptr);
        _setmode(_fileno(stdout), _O_BINARY);
        fwrite(text.data(), 1, text.size() - 1, stdout);
        return copied.empty() ? 1 : 0;
    }
    fprintf(stderr, "usage: DemoTour help|question|answer|about|page TAB|open ID|select ID N|close [CAPTION]\n");
    return 2;
}

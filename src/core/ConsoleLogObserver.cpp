#include "core/ConsoleLogObserver.h"

#include "core/Log.h"
#include "core/StringPackage.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

// Points a runtime stream at the process's standard handle, so that a GUI process
// that just got a console can print to it.
void rebindStream(DWORD which, FILE* stream, const char* mode, bool haveNewConsole) {
    const HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
        if (fd >= 0) {
            const int target = _fileno(stream);
            if (target >= 0 && target != fd) {
                std::fflush(stream);
                _dup2(fd, target);
            }
            // fd stays open: closing it would close the process's standard handle.
        }
    } else if (haveNewConsole) {
        FILE* reopened = nullptr;
        const bool input = mode[0] == 'r';
        reopened = std::freopen(input ? "CONIN$" : "CONOUT$", mode, stream);
        (void)reopened;
    }
    std::setvbuf(stream, nullptr, _IONBF, 0);
}

} // namespace

ConsoleLogObserver::ConsoleLogObserver(LogLevel minLevel, const std::string& title, bool colour)
    : LogObserver(minLevel), colour_(colour) {
    // Failing means a console exists already (or none can be had here): keep it as is.
    const bool allocated = AllocConsole() != FALSE;
    if (allocated) {
        wchar_t current[1024] = L"";
        GetConsoleTitleW(current, 1024);
        // Found by the title it has now, so the Close command goes before the title changes.
        HWND window = FindWindowW(L"ConsoleWindowClass", current);
        if (window == nullptr)
            window = GetConsoleWindow();
        if (window != nullptr) {
            // Closing the console would kill the program with it.
            if (HMENU menu = GetSystemMenu(window, FALSE)) {
                DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
                DrawMenuBar(window);
            }
        }
        if (!title.empty())
            SetConsoleTitleW(StringPackage::utf8ToWide(title).c_str());
    }

    rebindStream(STD_OUTPUT_HANDLE, stdout, "w", allocated);
    rebindStream(STD_ERROR_HANDLE, stderr, "w", allocated);
    rebindStream(STD_INPUT_HANDLE, stdin, "r", allocated);
}

ConsoleLogObserver::~ConsoleLogObserver() = default;

WORD ConsoleLogObserver::prefixAttribute(LogLevel level, WORD current) {
    switch (level) {
    case LogLevels::Trace:
        return 2; // green
    case LogLevels::Information:
        return 10; // bright green
    case LogLevels::Warning:
        return 14; // yellow
    case LogLevels::Error:
        return 12; // bright red
    case LogLevels::Fatal:
        return 13; // bright magenta
    default:
        return current;
    }
}

namespace {
// The log's texts are UTF-8; a console shows them right only as UTF-16 (WriteConsoleW).
// Where the output is no console (redirected), the bytes go out as they are.
void writeOut(HANDLE output, const std::string& text) {
    // Converted here, not through the string package, whose trace would log again.
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    DWORD written = 0;
    if (length <= 0 || !WriteConsoleW(output, wide.c_str(), static_cast<DWORD>(length), &written, nullptr)) {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }
}
} // namespace

void ConsoleLogObserver::log(LogLevel level, const std::string& text) {
    const std::string prefix = Log::levelName(level) + ": ";
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!colour_) {
        writeOut(output, prefix + text + "\n");
        return;
    }

    CONSOLE_SCREEN_BUFFER_INFO info{};
    const bool haveInfo = GetConsoleScreenBufferInfo(output, &info) != FALSE;
    const WORD saved = haveInfo ? info.wAttributes : 0;
    if (haveInfo)
        SetConsoleTextAttribute(output, prefixAttribute(level, saved));
    writeOut(output, prefix);
    if (haveInfo)
        SetConsoleTextAttribute(output, saved);
    writeOut(output, text + "\n");
}

#include "core/WinUtil.h"

#include "core/Log.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"

#include <shellapi.h>

#include <ctime>

namespace {

std::string g_browserPath;
bool g_browserFound = false;

// Direct conversion, independent of the version detection, so that error texts can
// be built from anywhere (exception texts included) without throwing.
std::string systemTextToUtf8(const wchar_t* text, int units) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, units, result.data(), size, nullptr, nullptr);
    return result;
}

bool startsWithNoCase(const std::string& text, const char* prefix) {
    const std::string p(prefix);
    return text.size() >= p.size() && StringPackage::equalsNoCase(text.substr(0, p.size()), p);
}

} // namespace

namespace WinUtil {

ErrorText getErrorText(DWORD code) {
    TraceScope scope("WinUtil::getErrorText");
    ErrorText result{code, std::string()};
    wchar_t* buffer = nullptr;
    const DWORD units = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                           FORMAT_MESSAGE_FROM_SYSTEM,
                                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (units > 0 && buffer != nullptr)
        result.text = systemTextToUtf8(buffer, static_cast<int>(units));
    if (buffer != nullptr)
        LocalFree(buffer);
    if (result.text.empty())
        StringPackage::format(result.text, "**Error code %d does not exist !!!", static_cast<int>(code));
    return result;
}

unsigned classifyWindowsVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build, std::string& name) {
    TraceScope scope("WinUtil::classifyWindowsVersion");
    struct Entry {
        unsigned code;
        const char* name;
    };
    auto pick = [&name](Entry e) {
        name = e.name;
        return e.code;
    };
    constexpr Entry unknown{0, "unknown Windows version"};
    constexpr Entry unknown9x{99, "unknown Windows 9x version"};

    switch (platformId) {
    case VER_PLATFORM_WIN32_WINDOWS: {
        if (major != 4)
            return pick(unknown);
        const DWORD b = build & 0xFFFF; // the high word holds the version on 9x
        if (minor < 10) {
            if (b == 950)
                return pick({1, "Windows 95"});
            if (b > 950 && b <= 1080)
                return pick({2, "Windows 95 SP1"});
            if (b > 1080)
                return pick({3, "Windows 95 OSR2"});
            return pick(unknown9x);
        }
        if (minor == 10) {
            if (b == 1998)
                return pick({4, "Windows 98"});
            if (b > 1998 && b < 2183)
                return pick({5, "Windows 98 SP1"});
            if (b >= 2183)
                return pick({6, "Windows 98 SE"});
            return pick(unknown9x);
        }
        if (minor == 90)
            return pick({7, "Windows ME"});
        return pick(unknown9x);
    }
    case VER_PLATFORM_WIN32_NT:
        if (major == 3 && minor == 51)
            return pick({101, "Windows NT 3.51"});
        if (major == 4 && minor == 0)
            return pick({102, "Windows NT 4"});
        if (major == 5 && minor == 0)
            return pick({103, "Windows 2000"});
        if (major == 5 && minor == 1)
            return pick({104, "Windows XP"});
        return pick({199, "unknown Windows NT version"});
    case 3: // VER_PLATFORM_WIN32_CE
        return pick({201, "Windows CE"});
    default:
        return pick(unknown);
    }
}

bool detectWindowsVersion(std::string& name, unsigned& code) {
    TraceScope scope("WinUtil::detectWindowsVersion");
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) {
        name = "unknown Windows version";
        code = 0;
        return false;
    }
    code = classifyWindowsVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                                  info.dwBuildNumber, name);
    return true;
}

unsigned getWindowsVersion() {
    TraceScope scope("WinUtil::getWindowsVersion", true); // asked by every text conversion
    // Initialised once, thread-safe: the monitor thread converts texts too.
    static const unsigned code = [] {
        std::string name;
        unsigned detected = 0;
        detectWindowsVersion(name, detected);
        Log::instance().info("WinUtil::getWindowsVersion - %s", name.c_str());
        return detected;
    }();
    return code;
}

bool createTempFile(const std::string& extension, std::string& path) {
    TraceScope scope("WinUtil::createTempFile");
    wchar_t directory[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH, directory);
    if (length == 0 || length > MAX_PATH)
        return false;

    for (long attempt = 1; attempt <= 101; ++attempt) {
        // The clock keeps names apart between runs, the attempt number within one.
        UINT unique = static_cast<UINT>(std::clock() + attempt) & 0xFFFF;
        if (unique == 0)
            unique = 1; // zero would make the system create a .tmp file of its own
        wchar_t prefix[32];
        _snwprintf(prefix, 32, L"velar%ld", attempt);
        prefix[31] = L'\0';
        wchar_t name[MAX_PATH + 1];
        if (GetTempFileNameW(directory, prefix, unique, name) == 0)
            return false;

        std::wstring candidate(name);
        if (candidate.size() >= 4)
            candidate.resize(candidate.size() - 4); // drop ".tmp"
        const std::wstring ext = StringPackage::utf8ToWide(extension);
        if (!ext.empty() && ext[0] != L'.')
            candidate += L'.';
        candidate += ext;

        const HANDLE file = CreateFileW(candidate.c_str(), GENERIC_READ, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            path = StringPackage::wideToUtf8(candidate);
            return true;
        }
    }
    return false;
}

bool findBrowser() {
    TraceScope scope("WinUtil::findBrowser");
    wchar_t directory[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH, directory);
    if (length < 1 || length > MAX_PATH)
        return false;

    std::string page;
    if (!createTempFile("html", page))
        return false;
    const std::wstring widePage = StringPackage::utf8ToWide(page);
    wchar_t executable[MAX_PATH + 1] = L"";
    const auto result = reinterpret_cast<INT_PTR>(FindExecutableW(widePage.c_str(), nullptr, executable));
    DeleteFileW(widePage.c_str());
    if (result <= 32)
        return false;

    g_browserPath = StringPackage::wideToUtf8(executable);
    g_browserFound = true;
    return true;
}

const std::string& browserPath() {
    return g_browserPath;
}

bool isLaunchableUrl(const std::string& url) {
    TraceScope scope("WinUtil::isLaunchableUrl");
    for (const char c : url) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '"')
            return false; // could end the quoted argument or smuggle a line
    }
    return startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://") ||
           startsWithNoCase(url, "mailto:");
}

bool openUrl(const std::string& url, bool launch) {
    TraceScope scope("WinUtil::openUrl");
    if (!launch)
        return false;
    if (!isLaunchableUrl(url)) {
        Log::instance().warning("WinUtil::openUrl - refused link: %s", url.c_str());
        return false;
    }
    if (!g_browserFound && !findBrowser())
        return false;

    const std::wstring application = StringPackage::utf8ToWide(g_browserPath);
    std::wstring commandLine = L"\"" + application + L"\" \"" + StringPackage::utf8ToWide(url) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace WinUtil

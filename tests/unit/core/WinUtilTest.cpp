#include "CoreTestSupport.h"

#include "core/StringPackage.h"
#include "core/WinUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace {

// This test program doubles as the fake browser: started with the variable below set,
// it records its command line in that file and leaves before any test runs.
const wchar_t kFakeBrowserVariable[] = L"QP_FAKE_BROWSER_RECORD";

const bool g_ranAsFakeBrowser = [] {
    wchar_t record[MAX_PATH];
    if (GetEnvironmentVariableW(kFakeBrowserVariable, record, MAX_PATH) == 0)
        return false;
    const HANDLE file = CreateFileW(record, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const std::string line = StringPackage::wideToUtf8(GetCommandLineW());
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    ExitProcess(0);
}();

} // namespace

TEST(WindowsVersionTest, TableRows) {
    struct Row {
        DWORD platform, major, minor, build;
        unsigned code;
        const char* name;
    } const rows[] = {
        {1, 4, 0, 950, 1, "Windows 95"},
        {1, 4, 0, 1080, 2, "Windows 95 SP1"},
        {1, 4, 0, 1081, 3, "Windows 95 OSR2"},
        {1, 4, 0, 949, 99, "unknown Windows 9x version"},
        {1, 4, 10, 1998, 4, "Windows 98"},
        {1, 4, 10, 2182, 5, "Windows 98 SP1"},
        {1, 4, 10, 2222, 6, "Windows 98 SE"},
        {1, 4, 10, 1997, 99, "unknown Windows 9x version"},
        {1, 4, 90, 3000, 7, "Windows ME"},
        {1, 4, 50, 1, 99, "unknown Windows 9x version"},
        {1, 5, 0, 950, 0, "unknown Windows version"},
        {1, 4, 10, 0x040A0000 | 2222, 6, "Windows 98 SE"}, // 9x keeps the version in the high word
        {2, 3, 51, 1057, 101, "Windows NT 3.51"},
        {2, 4, 0, 1381, 102, "Windows NT 4"},
        {2, 5, 0, 2195, 103, "Windows 2000"},
        {2, 5, 1, 2600, 104, "Windows XP"},
        {2, 5, 2, 3790, 199, "unknown Windows NT version"},
        {3, 4, 2, 0, 201, "Windows CE"},
        {7, 4, 0, 0, 0, "unknown Windows version"},
    };
    for (const Row& row : rows) {
        std::string name;
        EXPECT_EQ(WinUtil::classifyWindowsVersion(row.platform, row.major, row.minor, row.build, name),
                  row.code)
            << row.name;
        EXPECT_EQ(name, row.name) << row.platform << " " << row.major << "." << row.minor << "." << row.build;
    }
}

TEST(WindowsVersionTest, DetectedOnceAndLoggedOnlyOnFirstUse) {
    const unsigned first = WinUtil::getWindowsVersion();
    EXPECT_GE(first, 101u); // NT family: the system converter is used
    LogCapture capture;
    EXPECT_EQ(WinUtil::getWindowsVersion(), first);
    EXPECT_FALSE(capture.has("WinUtil::getWindowsVersion - "));
}

TEST(ErrorTextTest, KnownAndUnknownCodes) {
    const auto known = WinUtil::getErrorText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(known.code, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(known.text.find("**Error code"), std::string::npos) << known.text;

    EXPECT_EQ(WinUtil::getErrorText(0x2000ABCD).text, "**Error code 536914893 does not exist !!!");
    // Signed decimal, as the code's bits read as an int.
    EXPECT_EQ(WinUtil::getErrorText(0xE0001234).text, "**Error code -536866252 does not exist !!!");
}

TEST(TempFileTest, CreatesDistinctNewFilesWithTheExtension) {
    std::string first, second, dotted, bare;
    ASSERT_TRUE(WinUtil::createTempFile("html", first));
    ASSERT_TRUE(WinUtil::createTempFile("html", second));
    ASSERT_TRUE(WinUtil::createTempFile(".txt", dotted));
    ASSERT_TRUE(WinUtil::createTempFile("", bare));

    EXPECT_NE(first, second);
    EXPECT_EQ(first.substr(first.size() - 5), ".html");
    EXPECT_EQ(dotted.substr(dotted.size() - 4), ".txt");
    EXPECT_EQ(dotted.find(".."), std::string::npos);
    for (const std::string* path : {&first, &second, &dotted, &bare}) {
        const std::wstring wide = StringPackage::utf8ToWide(*path);
        EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES) << *path;
        EXPECT_EQ(GetFileAttributesW((wide + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES) << "stray .tmp";
        DeleteFileW(wide.c_str());
    }
}

TEST(OpenUrlTest, OnlyWebAndMailLinksAreLaunchedAndRefusalsLookForNoBrowser) {
    for (const char* url : {"http://example.com/a?b=c", "HTTPS://example.com", "MailTo:someone@example.com"})
        EXPECT_TRUE(WinUtil::isLaunchableUrl(url)) << url;
    for (const char* url :
         {"file:///c:/windows/system32/calc.exe", "javascript:alert(1)", "httpx://x", "c:\\evil.exe", "",
          "http://example.com/\" --new-window file:///c:/", "http://example.com/\r\nx"})
        EXPECT_FALSE(WinUtil::isLaunchableUrl(url)) << url;
    EXPECT_FALSE(WinUtil::isLaunchableUrl(std::string("http://a\0b", 10)));

    LogCapture capture; // its trace shows whether a browser lookup ran
    EXPECT_FALSE(WinUtil::openUrl("http://example.com", false));
    EXPECT_FALSE(WinUtil::openUrl("file:///c:/x.html", true));
    EXPECT_FALSE(capture.has("WinUtil::findBrowser"));
    const std::pair<LogLevel, std::string> refused{LogLevels::Warning,
                                                   "WinUtil::openUrl - refused link: file:///c:/x.html"};
    EXPECT_EQ(std::count(capture.lines.begin(), capture.lines.end(), refused), 1);
}

TEST(OpenUrlTest, LinkReachesTheAssociatedBrowserAsOneQuotedArgument) {
    ASSERT_FALSE(g_ranAsFakeBrowser);
    ScratchRegistry registry(true);
    ASSERT_TRUE(registry.ok);
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    ASSERT_TRUE(rawSetString(HKEY_CLASSES_ROOT, L".html", L"", L"QpFakeBrowser.html"));
    ASSERT_TRUE(rawSetString(HKEY_CLASSES_ROOT, L"QpFakeBrowser.html\\shell\\open\\command", L"",
                             L"\"" + std::wstring(self) + L"\" \"%1\""));

    std::string record;
    ASSERT_TRUE(WinUtil::createTempFile("txt", record));
    const std::wstring wideRecord = StringPackage::utf8ToWide(record);
    SetEnvironmentVariableW(kFakeBrowserVariable, wideRecord.c_str());

    const std::string url = "https://example.com/a b?x=1&y=%20";
    const bool launched = WinUtil::openUrl(url, true);
    SetEnvironmentVariableW(kFakeBrowserVariable, nullptr);
    EXPECT_TRUE(launched);

    std::string seen;
    for (int i = 0; i < 100 && seen.empty(); ++i) {
        Sleep(50);
        std::ifstream in(record);
        std::getline(in, seen);
    }
    DeleteFileW(wideRecord.c_str());
    const std::string browser = WinUtil::browserPath();
    EXPECT_TRUE(StringPackage::equalsNoCase(browser, StringPackage::wideToUtf8(self))) << browser;
    EXPECT_EQ(seen, "\"" + browser + "\" \"" + url + "\"");
}

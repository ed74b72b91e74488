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

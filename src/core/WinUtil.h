#pragma once

#include <windows.h>

#include <string>

// System information and shell services of the core library.
namespace WinUtil {

struct ErrorText {
    DWORD code;
    std::string text; // UTF-8, as the system words it (line break included)
};

ErrorText getErrorText(DWORD code);

// Codes below 101: the 9x family or an unrecognised system; 101 and above: NT or CE.
unsigned getWindowsVersion(); // detected once per process, then cached
bool detectWindowsVersion(std::string& name, unsigned& code);
unsigned classifyWindowsVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build, std::string& name);

// Creates a new empty file in the temporary folder with the given extension.
bool createTempFile(const std::string& extension, std::string& path);

// Looks up the program associated with .html files.
bool findBrowser();
const std::string& browserPath();

// Only web and mail links are handed to the browser.
bool isLaunchableUrl(const std::string& url);
bool openUrl(const std::string& url, bool launch);

} // namespace WinUtil

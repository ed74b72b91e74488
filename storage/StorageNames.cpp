#include "StorageNames.h"

#include <cwctype>

namespace StorageNames {

namespace {

bool isDeviceName(const std::wstring& penId) {
    // Windows treats these as devices even with an extension ("nul.txt").
    std::wstring base = penId.substr(0, penId.find(L'.'));
    for (auto& c : base)
        c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* device : kDevices)
        if (base == device)
            return true;
    return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) && base[3] >= L'0' &&
           base[3] <= L'9';
}

} // namespace

bool isPlainPenId(const std::wstring& penId) {
    if (penId.empty() || penId.size() > 64 || penId.front() == L'.' || penId.back() == L'.')
        return false;
    for (wchar_t c : penId) {
        bool ascii = c < 0x80;
        if (!(ascii && (std::iswalnum(c) || c == L'-' || c == L'_' || c == L'.')))
            return false;
    }
    return !isDeviceName(penId);
}

bool isValidFilter(const std::wstring& filter) {
    if (filter.empty())
        return false;
    for (wchar_t c : filter)
        if (c == L'\\' || c == L'/' || c == L':' || c < 0x20)
            return false;
    return true;
}

bool matchesFilter(const std::wstring& pattern, const std::wstring& itemName) {
    // Iterative wildcard match with backtracking to the last '*'.
    size_t p = 0, n = 0, star = std::wstring::npos, resume = 0;
    while (n < itemName.size()) {
        if (p < pattern.size() &&
            (pattern[p] == L'?' || std::towlower(pattern[p]) == std::towlower(itemName[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = n;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

} // namespace StorageNames

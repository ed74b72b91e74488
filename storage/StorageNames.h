#pragma once

#include <string>

// Naming rules of the pen data kept on this PC: which pen ids may become a folder and
// which stored items a deletion filter selects. Pure, so the rules are tested alone.
namespace StorageNames {

// The filter that selects every stored item of a pen.
inline constexpr wchar_t kAllItems[] = L"*.*.*.*#*";

// A pen id that can be used as one folder name as it is: 1 to 64 characters of
// letters, digits, '-', '_' and '.', not starting or ending with '.', and not a
// device name (CON, NUL, COM1...). Anything else could reach outside the pen's folder.
bool isPlainPenId(const std::wstring& penId);

// A filter other than kAllItems is a pattern for item file names: '*' any run, '?' one
// character, case-insensitive. It never names a folder, so separators and ':' are refused.
bool isValidFilter(const std::wstring& filter);
bool matchesFilter(const std::wstring& pattern, const std::wstring& itemName);

} // namespace StorageNames

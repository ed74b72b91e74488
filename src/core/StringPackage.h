#pragma once

#include "core/Log.h"

#include <cstdarg>
#include <string>
#include <vector>

// Text helpers shared by the library and the program. Narrow strings hold UTF-8.
namespace StringPackage {

std::string wideToUtf8(const std::wstring& text);
std::string wideToUtf8(const wchar_t* text); // null gives an empty text
std::wstring utf8ToWide(const std::string& text);
// The system (ANSI) code page, for interfaces that take nothing else; characters it
// lacks become the code page's default character. Never throw.
std::string wideToAnsi(const std::wstring& text);
std::wstring ansiToWide(const std::string& text);

// The unit-by-unit encoder used on the 9x family, where the system has no UTF-8 code
// page. Lone surrogates become three bytes; a high surrogate at the very end throws.
std::string encodeUtf8Legacy(const wchar_t* text, size_t length);

// printf-style into out; text beyond the 10240-character buffer is cut.
void format(std::string& out, const char* fmt, ...) QP_PRINTF_FORMAT(2, 3);
void formatV(std::string& out, const char* fmt, va_list args);

// Every occurrence, left to right; inserted text is never searched again.
void replaceAll(std::string& text, const std::string& search, const std::string& replacement);
std::string toLower(const std::string& text);
// Pieces between delimiters; never produces empty pieces.
std::vector<std::string> tokenize(const std::string& text, const std::string& delimiters);
bool equalsNoCase(const std::string& a, const std::string& b);

} // namespace StringPackage

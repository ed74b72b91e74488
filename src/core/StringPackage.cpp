#include "core/StringPackage.h"

#include "core/Exceptions.h"
#include "core/TraceScope.h"
#include "core/WinUtil.h"

#include <cctype>
#include <cstdio>

// Conversions and replacements run for nearly every log line and registry path: their
// trace scopes are quiet.

namespace StringPackage {

std::string wideToUtf8(const std::wstring& text) {
    TraceScope scope("StringPackage::wideToUtf8", true);
    if (WinUtil::getWindowsVersion() < 101)
        return encodeUtf8Legacy(text.c_str(), text.size());

    if (text.empty())
        return std::string();
    const int units = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size <= 0 ||
        WideCharToMultiByte(CP_UTF8, 0, text.data(), units, result.data(), size, nullptr, nullptr) == 0) {
        throw VelarException("StringPackage::wideToUtf8 - WideCharToMultiByte failed: %s",
                             WinUtil::getErrorText(GetLastError()).text.c_str());
    }
    return result;
}

std::string wideToUtf8(const wchar_t* text) {
    TraceScope scope("StringPackage::wideToUtf8", true);
    if (text == nullptr)
        return std::string();
    return wideToUtf8(std::wstring(text));
}

std::wstring utf8ToWide(const std::string& text) {
    TraceScope scope("StringPackage::utf8ToWide", true);
    if (text.empty())
        return std::wstring();
    const int bytes = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, nullptr, 0);
    std::wstring result(size > 0 ? static_cast<size_t>(size) : 0, L'\0');
    if (size <= 0 || MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, result.data(), size) == 0) {
        throw VelarException("StringPackage::utf8ToWide - MultiByteToWideChar failed: %s",
                             WinUtil::getErrorText(GetLastError()).text.c_str());
    }
    return result;
}

std::string wideToAnsi(const std::wstring& text) {
    TraceScope scope("StringPackage::wideToAnsi", true);
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring ansiToWide(const std::string& text) {
    TraceScope scope("StringPackage::ansiToWide", true);
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring result(size > 0 ? static_cast<size_t>(size) : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), size);
    return result;
}

std::string encodeUtf8Legacy(const wchar_t* text, size_t length) {
    TraceScope scope("StringPackage::encodeUtf8Legacy");
    std::string out;
    out.reserve(length * 4 + 3);
    for (size_t i = 0; i < length; ++i) {
        const unsigned u = static_cast<unsigned>(text[i]) & 0xFFFF;
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | ((u >> 6) & 0x1F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 >= length) {
            // The pair would run past the end.
            const std::wstring copy(text, length);
            throw VelarException("Invalid UNICODE string : %S", copy.c_str());
        } else if (u >= 0xD800 && u <= 0xDBFF && (text[i + 1] & 0xFC00) == 0xDC00) {
            const unsigned low = static_cast<unsigned>(text[i + 1]) & 0xFFFF;
            const unsigned cp = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            ++i;
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

void formatV(std::string& out, const char* fmt, va_list args) {
    char buffer[Log::kMessageBufferSize];
    if (std::vsnprintf(buffer, sizeof buffer, fmt, args) < 0)
        buffer[0] = '\0';
    buffer[sizeof buffer - 1] = '\0';
    out = buffer;
}

void format(std::string& out, const char* fmt, ...) {
    TraceScope scope("StringPackage::format");
    va_list args;
    va_start(args, fmt);
    formatV(out, fmt, args);
    va_end(args);
}

void replaceAll(std::string& text, const std::string& search, const std::string& replacement) {
    TraceScope scope("StringPackage::replaceAll", true);
    if (search.empty())
        return;
    for (size_t pos = text.find(search); pos != std::string::npos;
         pos = text.find(search, pos + replacement.size())) {
        text.replace(pos, search.size(), replacement);
    }
}

std::string toLower(const std::string& text) {
    TraceScope scope("StringPackage::toLower");
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::vector<std::string> tokenize(const std::string& text, const std::string& delimiters) {
    TraceScope scope("StringPackage::tokenize");
    std::vector<std::string> tokens;
    size_t start = text.find_first_not_of(delimiters);
    while (start != std::string::npos) {
        const size_t end = text.find_first_of(delimiters, start);
        tokens.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = text.find_first_not_of(delimiters, end + 1);
    }
    return tokens;
}

bool equalsNoCase(const std::string& a, const std::string& b) {
    TraceScope scope("StringPackage::equalsNoCase");
    if (a.size() != b.size())
        return false;
    return toLower(a) == toLower(b);
}

} // namespace StringPackage

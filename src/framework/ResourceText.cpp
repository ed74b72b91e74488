#include "framework/ResourceText.h"

#include <vector>

std::wstring LoadResString(UINT id, HINSTANCE module) {
    if (!module)
        module = GetModuleHandleW(nullptr);
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource.
    int length = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring FormatInserts(const std::wstring& format, std::initializer_list<DWORD_PTR> args) {
    std::vector<DWORD_PTR> values(args);
    wchar_t* buffer = nullptr;
    DWORD flags = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY;
    if (values.empty())
        flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length = FormatMessageW(flags, format.c_str(), 0, 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                  values.empty() ? nullptr : reinterpret_cast<va_list*>(values.data()));
    if (length == 0 || !buffer)
        return format;
    std::wstring text(buffer, length);
    LocalFree(buffer);
    return text;
}

std::wstring FormatResString(UINT id, std::initializer_list<DWORD_PTR> args, HINSTANCE module) {
    return FormatInserts(LoadResString(id, module), args);
}

#pragma once
// Texts from the string table, and message-format inserts ("%1!d!", "%1!s!",
// "%1!08x!") expanded by FormatMessageW.
#include <windows.h>
#include <initializer_list>
#include <string>

// The string resource id of the module (the program by default); empty when missing.
std::wstring LoadResString(UINT id, HINSTANCE module = nullptr);

// Expands the inserts of format with the arguments (numbers as DWORD_PTR, texts as
// const wchar_t* cast to DWORD_PTR). A format FormatMessageW refuses is returned as is.
std::wstring FormatInserts(const std::wstring& format, std::initializer_list<DWORD_PTR> args);

// LoadResString followed by FormatInserts.
std::wstring FormatResString(UINT id, std::initializer_list<DWORD_PTR> args, HINSTANCE module = nullptr);

#pragma once
// Panel: what a test sees of Quillpad.exe from outside: its windows' captions, texts it
// shows, and the control ids of its resources (the program's own resource.h).
#include <windows.h>

#include <optional>
#include <string>

#include "res/resource.h"

namespace ui {

constexpr const wchar_t* kSheetCaption = L"Panel de control del lápiz";
constexpr const wchar_t* kServiceLogCaption = L"Registro de servicio";
constexpr const wchar_t* kHelpCaption = L"Ayuda del Panel de control del lápiz";
constexpr const wchar_t* kNoPenText = L"El lápiz no está conectado/Lápiz bloqueado.";
constexpr const wchar_t* kFrameClass = L"QuillpadFrame";
constexpr int kHelpCommand = 57670; // ID_HELP, handled by the main window
// The Status page's ten-minute refresh of the battery line.
constexpr UINT_PTR kStatusRefreshTimer = 4711;

// The top-level dialog (#32770) of the process with this caption, or null.
HWND FindDialog(DWORD pid, const wchar_t* caption);
// The per-user trees of the program and of the suite, where the pages keep their options.
constexpr const wchar_t* kProgramKey = L"Software\\Velar\\2.0\\Quillpad";
constexpr const wchar_t* kSuiteKey = L"Software\\Velar\\2.0\\Quayward";
// A number under HKEY_CURRENT_USER\key; written absent, it is deleted.
std::optional<DWORD> ReadNumber(const wchar_t* key, const wchar_t* name);
void WriteNumber(const wchar_t* key, const wchar_t* name, std::optional<DWORD> value);
// The program's setting "ShowInternetSettings" (the Details and Shortcuts pages), read
// when the sheet is made.
inline void ShowInternetSettings(DWORD value) {
    WriteNumber(kProgramKey, L"ShowInternetSettings", value);
}

} // namespace ui

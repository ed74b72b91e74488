#pragma once
// Panel: what a test sees of Quillpad.exe from outside: its windows' captions, texts it
// shows, and the control ids of its resources (the program's own resource.h).
#include <windows.h>

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
// The program's setting "ShowInternetSettings" (the Details and Shortcuts pages), read
// when the sheet is made.
void ShowInternetSettings(DWORD value);

} // namespace ui

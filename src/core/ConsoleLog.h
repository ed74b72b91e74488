#pragma once

#include <windows.h>

class Log;
class Settings;

// "Debug/ConsoleLogLevel" value that means no console.
inline constexpr int kConsoleLogOff = 6;

// Opens the console log when the settings ask for one and registers the console
// control handler (may be null). Called once at start-up.
void initConsoleLog(const char* title, PHANDLER_ROUTINE handler);
// The same on given objects.
void initConsoleLog(const char* title, PHANDLER_ROUTINE handler, Settings& settings, Log& log);

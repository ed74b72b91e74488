#pragma once
// Brings a window of ours to the front even when another program has the foreground:
// the foreground window's thread shares its input state with ours for the switch.
#include <windows.h>

void BringWindowToFront(HWND window);

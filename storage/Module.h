#pragma once

#include <windows.h>

// Module-wide state of PenStorage.dll: its handle and the count of live objects and
// server locks that keeps it loaded.
namespace Module {

HMODULE handle();
void addRef();
void release();
bool canUnload();

} // namespace Module

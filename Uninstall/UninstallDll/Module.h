#pragma once
#include <windows.h>

// The server's own module and how many objects and factory locks keep it loaded.
HMODULE ThisModule();
void SetThisModule(HMODULE module);
void ModuleLock();
void ModuleUnlock();
bool ModuleInUse();

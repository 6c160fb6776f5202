#pragma once
#include <windows.h>

// Has Windows look for the DLLs this process loads at run time in the system
// folder only, not in the program's own folder or the current one. The kit's
// programs may be started, elevated, from a folder where anyone can write (a
// setup's temporary folder), and a DLL planted there must never run. Called
// first thing in each program.
void RestrictDllSearchToSystemFolder();

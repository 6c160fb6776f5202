#pragma once
#include <windows.h>

// The server's own module, and how many objects and factory locks keep it loaded.
inline HMODULE g_module = nullptr;
inline LONG g_moduleLocks = 0;

inline HMODULE ThisModule() { return g_module; }
inline void ModuleLock() { InterlockedIncrement(&g_moduleLocks); }
inline void ModuleUnlock() { InterlockedDecrement(&g_moduleLocks); }
inline bool ModuleInUse() { return g_moduleLocks != 0; }

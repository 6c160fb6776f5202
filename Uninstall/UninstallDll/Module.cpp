#include "Module.h"

namespace {
HMODULE g_module = nullptr;
LONG g_locks = 0;
} // namespace

HMODULE ThisModule()
{
    return g_module;
}

void SetThisModule(HMODULE module)
{
    g_module = module;
}

void ModuleLock()
{
    InterlockedIncrement(&g_locks);
}

void ModuleUnlock()
{
    InterlockedDecrement(&g_locks);
}

bool ModuleInUse()
{
    return g_locks != 0;
}

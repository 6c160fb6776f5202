// uninstall.dll: the in-process COM server of the toolbar cleanup add-in.
#include "ClassFactory.h"
#include "Connect.h"
#include "Guids.h"
#include "Module.h"
#include "Registration.h"

namespace {
const ClassEntry kClasses[] = {
    {&CLSID_Connect, &Connect::Create},
};
} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance); // nothing here is per thread
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    return GetClassObjectFromTable(kClasses, ARRAYSIZE(kClasses), clsid, iid, object);
}

STDAPI DllCanUnloadNow()
{
    return ModuleInUse() ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer()
{
    return RegisterServer(ThisModule());
}

STDAPI DllUnregisterServer()
{
    return UnregisterServer(ThisModule());
}

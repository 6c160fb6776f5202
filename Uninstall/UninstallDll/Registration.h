#pragma once
#include <windows.h>

// Writes the COM class, ProgID, type library and interface entries under
// HKEY_LOCAL_MACHINE\Software\Classes and the Office add-in entry from the
// module's registration record. All or nothing: a failed write undoes the rest.
HRESULT RegisterServer(HMODULE module);

// Removes exactly what RegisterServer writes; nothing left to remove is success.
HRESULT UnregisterServer(HMODULE module);

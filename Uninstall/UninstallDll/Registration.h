#pragma once
#include "AddinRecord.h"
#include "RegistryJournal.h"
#include <windows.h>

// Writes the COM class, ProgID, type library and interface entries under
// HKEY_LOCAL_MACHINE\Software\Classes and the Office add-in entry from the
// module's registration record. All or nothing: a failed write undoes the rest.
[[nodiscard]] HRESULT RegisterServer(HMODULE module);

// Writes the Office add-in entry's values (FriendlyName, Description,
// LoadBehavior) from the record under `key`, through `journal`.
[[nodiscard]] HRESULT WriteAddinEntry(RegistryJournal& journal, HKEY root, const wchar_t* key, const AddinEntry& entry);

// Removes what RegisterServer writes in this flavour's registry view; the
// entries both flavours share go only when the other flavour is not registered.
// Nothing left to remove is success.
[[nodiscard]] HRESULT UnregisterServer(HMODULE module);

#pragma once
#include <unknwn.h>

// Creates a new object of one class and hands out the asked-for interface.
using CreateInstanceFn = HRESULT (*)(REFIID iid, void** object);

struct ClassEntry {
    const CLSID* clsid;
    CreateInstanceFn create;
};

// The class factory for `clsid` from a table of the server's classes, or
// CLASS_E_CLASSNOTAVAILABLE.
[[nodiscard]] HRESULT GetClassObjectFromTable(const ClassEntry* table, size_t count, REFCLSID clsid, REFIID iid,
                                             void** object);

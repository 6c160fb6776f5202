#pragma once
// Registry keys in a view (0: the process's own; KEY_WOW64_32KEY/64KEY).
#include "Text.h"
#include "UniqueResource.h"

// "key\subkey", with exactly one separator; the key itself for "".
WideText SubkeyPath(const wchar_t* key, const wchar_t* subkey);

// A key opened below `parent`, holding nothing where it cannot be opened.
UniqueRegKey OpenKey(HKEY parent, const wchar_t* subkey, REGSAM access);
inline bool KeyExists(HKEY parent, const wchar_t* subkey, REGSAM view)
{
    return static_cast<bool>(OpenKey(parent, subkey, KEY_READ | view));
}
bool HasSubkeys(HKEY parent, const wchar_t* subkey, REGSAM view);

// Removes a key with all below it; a key that is not there is no failure.
LONG DeleteTree(HKEY parent, const wchar_t* subkey, REGSAM view);

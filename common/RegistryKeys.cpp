#include "RegistryKeys.h"

WideText SubkeyPath(const wchar_t* key, const wchar_t* subkey)
{
    WideText path(key);
    return *subkey ? path.Append(L'\\').Append(subkey) : path;
}

UniqueRegKey OpenKey(HKEY parent, const wchar_t* subkey, REGSAM access)
{
    UniqueRegKey key;
    if (RegOpenKeyExW(parent, subkey, 0, access, key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

bool HasSubkeys(HKEY parent, const wchar_t* subkey, REGSAM view)
{
    UniqueRegKey key = OpenKey(parent, subkey, KEY_READ | view);
    DWORD subkeys = 0;
    return key && RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr) == ERROR_SUCCESS && subkeys > 0;
}

LONG DeleteTree(HKEY parent, const wchar_t* subkey, REGSAM view)
{
    UniqueRegKey key;
    LONG status = RegOpenKeyExW(parent, subkey, 0, KEY_READ | KEY_WRITE | DELETE | view, key.put());
    if (status == ERROR_SUCCESS) {
        status = RegDeleteTreeW(key.get(), nullptr);
        key.reset();
        if (status == ERROR_SUCCESS)
            status = RegDeleteKeyExW(parent, subkey, view, 0);
    }
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

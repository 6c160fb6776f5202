#include <windows.h>
#include <ole2.h>
// Defines the add-in's identities for programs that do not link its code.
#include <initguid.h>
#include "AddinKeys.h"
#include "TestSupport.h"

namespace {
const REGSAM kViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
} // namespace

std::string AddinKeysLeft()
{
    std::string left = KeyExists(HKEY_CURRENT_USER, kAddinKey) ? "HKCU\\" + Narrow(kAddinKey) : "";
    for (REGSAM view : kViews)
        for (const std::wstring& key : kClassKeys)
            if (KeyExists(HKEY_LOCAL_MACHINE, key, view))
                left += (left.empty() ? "" : ", ") + std::string(view == KEY_WOW64_32KEY ? "32-bit" : "64-bit") +
                        " view HKLM\\" + Narrow(key);
    return left;
}

void RemoveAddinKeys()
{
    DeleteRegistryTree(HKEY_CURRENT_USER, kAddinKey);
    for (REGSAM view : kViews)
        for (const std::wstring& key : kClassKeys)
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, key, view);
}

#pragma once
// Where uninstall.dll's registration lives, below HKEY_LOCAL_MACHINE (the
// class keys) and HKEY_CURRENT_USER (the add-in entry).
#include "Guids.h"
#include <string>

inline const std::wstring kClsidText = GuidText(CLSID_Connect).text;
inline const std::wstring kLibidText = GuidText(LIBID_UninstallDll).text;
inline const std::wstring kClassKey = L"Software\\Classes\\CLSID\\" + kClsidText;
inline const std::wstring kProgIdKey = L"Software\\Classes\\UninstallDll.Connect";
inline const std::wstring kTypeLibKey = L"Software\\Classes\\TypeLib\\" + kLibidText;
inline const std::wstring kInterfaceKey = L"Software\\Classes\\Interface\\" + std::wstring(GuidText(IID__Connect).text);
inline const wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";
inline const wchar_t kAddinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\UninstallDll.Connect";
// The class keys, each of which a flavour writes in its registry view.
inline const std::wstring kClassKeys[] = {kClassKey, kProgIdKey, kTypeLibKey, kInterfaceKey};

// The add-in's keys still in the registry, in either view, named ("" when none).
std::string AddinKeysLeft();
// Removes the add-in's keys from both views.
void RemoveAddinKeys();

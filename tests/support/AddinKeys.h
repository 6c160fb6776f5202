#pragma once
// Where uninstall.dll's registration lives, below HKEY_LOCAL_MACHINE (the
// class keys) and HKEY_CURRENT_USER (the add-in entry).
#include <windows.h>
#include <string>

inline const wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{0B467E24-3081-45BE-BD2E-B134E73C87E9}";
inline const wchar_t kProgIdKey[] = L"Software\\Classes\\UninstallDll.Connect";
inline const wchar_t kTypeLibKey[] = L"Software\\Classes\\TypeLib\\{42A16CBD-E568-4F8F-9382-E3912DAB246D}";
inline const wchar_t kInterfaceKey[] = L"Software\\Classes\\Interface\\{DBF124D5-EC3D-4609-8E5F-991D3802BD23}";
inline const wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";
inline const wchar_t kAddinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\UninstallDll.Connect";
// The class keys, each of which a flavour writes in its registry view.
inline const wchar_t* const kClassKeys[] = {kClassKey, kProgIdKey, kTypeLibKey, kInterfaceKey};

// The add-in's keys still in the registry, in either view, named ("" when none).
std::string AddinKeysLeft();
// Removes the add-in's keys from both views.
void RemoveAddinKeys();

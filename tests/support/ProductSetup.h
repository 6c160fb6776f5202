#pragma once
// The product's sample setup, NOX-setup.exe, run as an installer author and a
// user would run it: silently, then uninstalled from the list of installed
// programs, with what it leaves behind read back.
#include "SequenceDriver.h"
#include <string>
#include <vector>

// Where Windows lists the product (in the 32-bit registry view).
inline const wchar_t kProductUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NOX";
// Where the NOX.dll stand-in records its registration.
inline const wchar_t kNoxRecordKey[] = L"Software\\NoxKitTests\\NoxStandIn";
// While this key exists, the NOX.dll stand-in refuses its registration.
inline const wchar_t kNoxRefusalKey[] = L"Software\\NoxKitTests\\NoxStandInRefuses";

// The setup of this build, and the same listed under an older version.
std::wstring SetupProgram();
std::wstring PreviousSetupProgram();
bool SetupBuilt();

// The product's folder: NOX under the 32-bit Program Files.
std::wstring ProductFolder();

// Runs a setup silently (/S, then `arguments`) and waits for it; its exit
// code, or STILL_ACTIVE if it did not end in time.
DWORD RunSetupSilently(const std::wstring& setup, const std::wstring& arguments = L"", DWORD timeoutMs = 60000);

// A value of the product's entry in the list of installed programs ("" if absent).
std::wstring ProductEntryValue(const wchar_t* name);

// Uninstalls the product as Windows would, with its QuietUninstallString,
// and waits for the uninstaller itself, not only the copy of it that NSIS
// starts first: the uninstaller is copied to a scratch folder and started
// from there with _?=<product folder>. Plays the user for the Uninstaller.exe
// it starts.
UninstallerRun UninstallProduct(const DriveOptions& options);

// What is left of the product: files in its folder, its entry among the
// installed programs, the registration of NOX.dll and of the cleanup
// add-in, in either view; "" when nothing.
std::string ProductLeftovers();

// Removes whatever a test or an interrupted run left of the product.
void RemoveProduct();

// Makes an installed batch file linger `ms` before it does its work, by a
// Recorder.exe copied into `scratchFolder`; `firstLines` run before that.
void SlowDownScript(const std::wstring& script, DWORD ms, const std::wstring& scratchFolder,
                    const std::string& firstLines = "");

#pragma once
// The product's two sample setups, NOX-setup.exe (NSIS) and NOX.msi, run as
// an installer author, a deployment tool and a user would run them, with
// what they leave behind read back.
#include "SequenceDriver.h"
#include <string>
#include <vector>

// Where the NOX.dll stand-in records its registration (HKLM, 32-bit view).
inline const wchar_t kNoxRecordKey[] = L"Software\\NoxKitTests\\NoxStandIn";
// While this key exists (HKLM, 32-bit view), the NOX.dll stand-in refuses
// its registration.
inline const wchar_t kNoxRefusalKey[] = L"Software\\NoxKitTests\\NoxStandInRefuses";

enum class Package { Nsis, Msi };
const char* PackageName(Package package); // "NOX-setup.exe", "NOX.msi"
// This build's package, or the same listed under an older version.
std::wstring PackageFile(Package package, bool previous = false);
bool PackageBuilt(Package package);

// The product's folder: NOX under the 32-bit Program Files.
std::wstring ProductFolder();

// Installs silently, as a deployment tool does (NSIS /S; msiexec /i /qn),
// into `folder` when one is given; the exit code, or STILL_ACTIVE if it did
// not end in time. An MSI's log goes to MsiLog(); `properties` ("NAME=value
// ...") go on msiexec's command line.
DWORD InstallSilently(Package package, bool previous = false, const std::wstring& folder = L"",
                      DWORD timeoutMs = 60000, const std::wstring& properties = L"");
// Installs an MSI file of the build's (NOX-rebuilt.msi, NOX-per-user.msi)
// as InstallSilently does.
DWORD InstallMsiSilently(const std::wstring& file, DWORD timeoutMs = 60000);

// An MSI repair (REINSTALL=ALL), silently.
DWORD RepairSilently(DWORD timeoutMs = 60000);
std::wstring MsiLog();

// The exit code of a setup that failed: 2 for NSIS; 1603 for msiexec.
DWORD FailedSetupCode(Package package);

// How many entries the installed programs list for the product, and a value
// of the first ("" if absent).
int ProductEntries();
std::wstring ProductEntryValue(const wchar_t* name);

// Uninstalls as the user does, from the product's entry (UninstallString;
// an MSI's with `msiForm`, as the installed-programs list adds /qb),
// answering the uninstaller's own pages, and plays the user for the
// Uninstaller.exe it starts. NSIS's uninstaller is copied aside and given
// _?=<product folder>, so that the run waits for the uninstaller itself, not
// only the copy of it that NSIS starts first.
UninstallerRun UninstallAsUser(const DriveOptions& options, const std::wstring& msiForm = L"");

// Uninstalls as a deployment tool does, with no user to answer (NSIS's
// QuietUninstallString, copied aside as above; msiexec /x with `msiForm`,
// as SYSTEM when `asSystem`: Windows only); the exit code, or STILL_ACTIVE
// if it did not end in time.
DWORD UninstallUnattended(DWORD timeoutMs = 60000, const std::wstring& msiForm = L"/qn", bool asSystem = false);

// What is left of the product: files in its folder, its entries among the
// installed programs, its own key, the registration of NOX.dll and of the
// cleanup add-in, in either view; "" when nothing.
std::string ProductLeftovers();

// Removes whatever a test or an interrupted run left of the product.
void RemoveProduct();

// Makes an installed batch file linger `ms` before it does its work, by a
// Recorder.exe copied into `scratchFolder`; `firstLines` run before that.
void SlowDownScript(const std::wstring& script, DWORD ms, const std::wstring& scratchFolder,
                    const std::string& firstLines = "");

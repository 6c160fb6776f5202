#pragma once
// Every rule a setup of the kit follows, once, for both installers: the MSI
// calls them as custom actions (MsiActions.cpp), an NSIS setup as a plug-in
// (NsisPlugin.cpp). Each takes plain values and answers with a text for the
// setup's log or its user: empty when all is well.
#include "Text.h"

// A text of the library's string table in the user's language, with %1 and
// %2 filled in (never read as a format: folder names stay as they are).
WideText SetupText(UINT id, const wchar_t* first = L"", const wchar_t* second = L"");

// The one form in which a folder is judged, written and recorded: full path,
// . and .. resolved, / made \, 8.3 names of the part that exists expanded,
// no trailing separator.
WideText CanonicalFolder(const wchar_t* folder);

// Where a setup may install: the folders it is judged against.
struct InstallPlaces {
    const wchar_t* programFiles = L"";   // the 32-bit one
    const wchar_t* programFiles64 = L""; // empty on 32-bit Windows
    const wchar_t* windows = L"";
    const wchar_t* previous = L"";       // the product's own, where it is installed
};

// The kit runs elevated from the install folder, and every user's Outlook
// loads NOX.dll from it: only an empty folder below Program Files (or the
// product's own), none below Windows, none reached through a junction or
// link. `folder` takes the canonical form; the refusal, or empty.
WideText JudgeInstallFolder(WideText& folder, const InstallPlaces& places);

// A value NOX.dll's registration writes with the DLL's path: "HKLM\key" or
// "HKCU\key", and the value's name ("" for the default).
struct RegistrationValue {
    HKEY root = nullptr;
    WideText key, name;
};
RegistrationValue ParseRegistrationValue(const wchar_t* rootAndKey, const wchar_t* name);

// Has NOX.dll in `folder` registered: the system's regsvr32.exe copied
// beside Register.exe, the value cleared, Register.exe run and waited for
// (and ended, should it wait for a user past its bound), the value read back
// until it names the DLL. Empty on success, else why not.
WideText RegisterProduct(const wchar_t* folder, const RegistrationValue& value);

// The path the registration value names now; empty when it names none.
WideText RegisteredPath(const RegistrationValue& value);

// Takes back what RegisterProduct changed, for a setup that fails after it:
// the value as it was before (`previous`, what RegisteredPath said then), or,
// where it named nothing, NOX.dll unregistered, as it was before the setup.
WideText RestoreRegistration(const wchar_t* folder, const RegistrationValue& value, const wchar_t* previous);

// Has NOX.dll in `folder` unregistered by the system's regsvr32, and removes
// the copy of regsvr32.exe; what was done, for the log.
WideText UnregisterProduct(const wchar_t* folder);

// Whether someone can answer the kit's notices: from Windows Installer's UI
// level (an NSIS setup: silent is INSTALLUILEVEL_NONE, else FULL), its
// REBOOTPROMPT property and the SID of the user the setup runs as.
bool UserIsThere(unsigned uiLevel, const wchar_t* rebootPrompt, const wchar_t* userSid);

// The SID of the user this process runs as ("S-1-5-..."), empty if unknown.
WideText ProcessUserSid();

// Before the kit's sequence, where a user is there for it: UninstRegister.bat
// in `folder`, run there by its bare name and waited for, in the setup's own
// (an MSI's: the system's) rights, which write the machine's part of the
// cleanup add-in. What became of it, for the log.
WideText RegisterCleanupAddin(const wchar_t* folder, bool userIsThere);

// The kit's sequence (Uninstaller.exe in `folder`, waited for) where a user
// is there, else nothing, run in the name of that user, whose add-in entry
// for the cleanup add-in it writes before and removes after; what became of
// it, for the log.
WideText RunSequence(const wchar_t* folder, bool userIsThere);

// UninstUnregister.bat in `folder`, run as RegisterCleanupAddin runs its
// partner; what became of it, for the log.
WideText RunUnregisterScript(const wchar_t* folder);

// Deletes an installed file and the "<file>.new" that an install over a file
// in use may have left, with the rename Windows was to do with it. One still in use is tried again for 10 s, then left
// to go when Windows restarts; one that cannot be deleted for another reason
// stays. Empty when it is gone, else what became of it.
WideText RemoveInstalledFile(const wchar_t* path);

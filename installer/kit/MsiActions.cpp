// The setup library's entry points for Windows Installer. The immediate ones
// read properties; the deferred ones take what they need as their
// CustomActionData, "<install folder>|..." (NOXKit.wxi sets it).
//   CheckInstallFolderAction    (immediate)  the install folder's rules
//   PrepareRegistrationAction   (immediate)  reads NOXKitRegister's data, the
//                               value it names as it is, for the rollback
//   RegisterProductAction       (deferred, and as rollback of a removal)
//                               "<folder>|<HKLM|HKCU>\<key>|<value name>"
//   RestoreRegistrationAction   (rollback)   as above, "|<the value before>"
//   UnregisterProductAction     (deferred)   "<folder>"
//   RegisterCleanupAddinAction  (deferred)   as RunSequenceAction's
//   RunSequenceAction           (deferred, as the user)
//                               "<folder>|<UILevel>|<REBOOTPROMPT>|<UserSID>"
//   RunUnregisterScriptAction   (deferred, and as rollback of the first)
//                               "<folder>"
#include "SetupRules.h"
#include "SetupText.h"
#include "UniqueResource.h"
#include <msi.h>
#include <msiquery.h>

namespace {

// An MSIHANDLE is a number, not a pointer: 0 is none.
struct MsiHandleTraits {
    using Type = MSIHANDLE;
    static Type Invalid() { return 0; }
    static void Close(Type handle) { MsiCloseHandle(handle); }
};
using UniqueMsiHandle = UniqueResource<MsiHandleTraits>;

void Say(MSIHANDLE install, INSTALLMESSAGE kind, const WideText& text)
{
    UniqueMsiHandle record(MsiCreateRecord(1));
    MsiRecordSetStringW(record.get(), 0, text.c_str());
    MsiProcessMessage(install, kind, record.get());
}

// The log's line, where there is one to write.
UINT Log(MSIHANDLE install, const WideText& text)
{
    if (!text.empty())
        Say(install, INSTALLMESSAGE_INFO, text);
    return ERROR_SUCCESS;
}

// Logs why the installation cannot go on, and shows it where there is a user.
UINT Fail(MSIHANDLE install, const WideText& why)
{
    Say(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), why);
    return ERROR_INSTALL_FAILURE;
}

WideText Property(MSIHANDLE install, const wchar_t* name)
{
    DWORD length = 0;
    wchar_t none[1] = L"";
    if (MsiGetPropertyW(install, name, none, &length) != ERROR_MORE_DATA)
        return WideText();
    WideText value;
    ++length;
    MsiGetPropertyW(install, name, value.Buffer(length), &length);
    value.Truncate(length);
    return value;
}

// A deferred action's CustomActionData (or another property), split at '|'.
struct ActionData {
    static constexpr size_t kParts = 4;
    WideText data; // as it was read
    WideText parts[kParts];
    explicit ActionData(MSIHANDLE install, const wchar_t* property = L"CustomActionData")
        : data(Property(install, property))
    {
        size_t part = 0;
        for (size_t i = 0; i < data.size(); ++i) {
            if (data[i] == L'|' && part + 1 < kParts)
                ++part;
            else
                parts[part].Append(data[i]);
        }
    }
};

} // namespace

extern "C" UINT __stdcall CheckInstallFolderAction(MSIHANDLE install)
{
    wchar_t target[MAX_PATH * 2] = L"";
    DWORD length = ARRAYSIZE(target);
    WideText folder;
    if (MsiGetTargetPathW(install, L"INSTALLDIR", target, &length) == ERROR_SUCCESS)
        folder = WideText(target);
    WideText programFiles = Property(install, L"ProgramFilesFolder");
    WideText programFiles64 = Property(install, L"ProgramFiles64Folder");
    WideText windows = Property(install, L"WindowsFolder");
    WideText previous = Property(install, L"NOXKitPreviousDir");
    WideText refusal = JudgeInstallFolder(folder, {programFiles.c_str(), programFiles64.c_str(), windows.c_str(),
                                                   previous.c_str()});
    if (!refusal.empty())
        return Fail(install, refusal);
    // All that follows installs into, and records, the canonical form.
    if (MsiSetTargetPathW(install, L"INSTALLDIR", folder.c_str()) != ERROR_SUCCESS)
        return Fail(install, SetupText(IDS_FOLDER_UNKNOWN));
    return ERROR_SUCCESS;
}

// Before the registration is scheduled: a per-machine package registers
// NOX.dll in the system's name, so a per-user key could only be read back
// from the system account's own hive; and the rollback is given the value as
// it is now.
extern "C" UINT __stdcall PrepareRegistrationAction(MSIHANDLE install)
{
    ActionData data(install, L"NOXKitRegister");
    RegistrationValue value = ParseRegistrationValue(data.parts[1].c_str(), data.parts[2].c_str());
    if (value.root == HKEY_CURRENT_USER && !Property(install, L"ALLUSERS").empty())
        return Fail(install, SetupText(IDS_PER_USER_KEY, value.key.c_str()));
    WideText rollback = data.data;
    rollback.Append(L"|").Append(RegisteredPath(value));
    if (MsiSetPropertyW(install, L"NOXKitRestoreRegistrationOnRollback", rollback.c_str()) != ERROR_SUCCESS)
        return ERROR_INSTALL_FAILURE;
    return ERROR_SUCCESS;
}

extern "C" UINT __stdcall RegisterProductAction(MSIHANDLE install)
{
    ActionData data(install);
    WideText why = RegisterProduct(data.parts[0].c_str(),
                                   ParseRegistrationValue(data.parts[1].c_str(), data.parts[2].c_str()));
    return why.empty() ? ERROR_SUCCESS : Fail(install, why);
}

extern "C" UINT __stdcall RestoreRegistrationAction(MSIHANDLE install)
{
    ActionData data(install);
    return Log(install, RestoreRegistration(data.parts[0].c_str(),
                                            ParseRegistrationValue(data.parts[1].c_str(), data.parts[2].c_str()),
                                            data.parts[3].c_str()));
}

extern "C" UINT __stdcall UnregisterProductAction(MSIHANDLE install)
{
    return Log(install, UnregisterProduct(ActionData(install).parts[0].c_str()));
}

namespace {

// "<folder>|<UILevel>|<REBOOTPROMPT>|<UserSID>"
bool UserIsThereFor(const ActionData& data)
{
    unsigned uiLevel = static_cast<unsigned>(_wtoi(data.parts[1].c_str()));
    return UserIsThere(uiLevel, data.parts[2].c_str(), data.parts[3].c_str());
}

} // namespace

extern "C" UINT __stdcall RegisterCleanupAddinAction(MSIHANDLE install)
{
    ActionData data(install);
    return Log(install, RegisterCleanupAddin(data.parts[0].c_str(), UserIsThereFor(data)));
}

extern "C" UINT __stdcall RunSequenceAction(MSIHANDLE install)
{
    ActionData data(install);
    return Log(install, RunSequence(data.parts[0].c_str(), UserIsThereFor(data)));
}

extern "C" UINT __stdcall RunUnregisterScriptAction(MSIHANDLE install)
{
    return Log(install, RunUnregisterScript(ActionData(install).parts[0].c_str()));
}

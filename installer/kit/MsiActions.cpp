// The setup library's entry points for Windows Installer. The immediate one
// reads properties; the deferred ones take what they need as their
// CustomActionData, "<install folder>|..." (NOXKit.wxi sets it).
//   CheckInstallFolderAction   (immediate)  the install folder's rules
//   RegisterProductAction      (deferred)   "<folder>|<HKLM|HKCU>\<key>|<value name>"
//   UnregisterProductAction    (deferred, and as rollback)  "<folder>"
//   RunSequenceAction          (deferred, as the user)      "<folder>|<UILevel>"
//   RunUnregisterScriptAction  (deferred, as the user)      "<folder>"
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

// The deferred action's CustomActionData, split at '|'.
struct ActionData {
    WideText parts[3];
    explicit ActionData(MSIHANDLE install)
    {
        WideText data = Property(install, L"CustomActionData");
        size_t part = 0;
        for (size_t i = 0; i < data.size(); ++i) {
            if (data[i] == L'|' && part < 2)
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

extern "C" UINT __stdcall RegisterProductAction(MSIHANDLE install)
{
    ActionData data(install);
    WideText why = RegisterProduct(data.parts[0].c_str(),
                                   ParseRegistrationValue(data.parts[1].c_str(), data.parts[2].c_str()));
    return why.empty() ? ERROR_SUCCESS : Fail(install, why);
}

extern "C" UINT __stdcall UnregisterProductAction(MSIHANDLE install)
{
    return Log(install, UnregisterProduct(ActionData(install).parts[0].c_str()));
}

extern "C" UINT __stdcall RunSequenceAction(MSIHANDLE install)
{
    ActionData data(install);
    unsigned uiLevel = static_cast<unsigned>(_wtoi(data.parts[1].c_str()));
    return Log(install, RunSequence(data.parts[0].c_str(), UserIsThere(uiLevel)));
}

extern "C" UINT __stdcall RunUnregisterScriptAction(MSIHANDLE install)
{
    return Log(install, RunUnregisterScript(ActionData(install).parts[0].c_str()));
}

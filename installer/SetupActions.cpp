// Custom actions of the sample MSI package (NOX.wxs): what the NSIS sample
// does in its own script, where Windows Installer has no table for it.
//   CheckInstallFolder   (immediate) the install folder's rules
//   ClearRegistration    (deferred)  the value NOX.dll's registration writes,
//                                    cleared before Register.exe runs
//   WaitForRegistration  (deferred)  that value read back for up to 10 s
//   SayUnattended        (deferred)  the log's word on a removal with no user
// The deferred ones take "<HKLM|HKCU>\<key>|<value name>[|<expected>]" as
// their CustomActionData.
#include "AppFolder.h"
#include "Text.h"
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

void Log(MSIHANDLE install, const WideText& text)
{
    Say(install, INSTALLMESSAGE_INFO, text);
}

// Logs why the installation cannot go on and shows it where there is a user.
UINT Refuse(MSIHANDLE install, const WideText& why)
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

// The one form in which a folder is judged and recorded, as the NSIS sample
// has it: full path, . and .. resolved, / made \, 8.3 names of the part that
// exists expanded, no trailing separator.
WideText CanonicalFolder(const wchar_t* folder)
{
    wchar_t full[MAX_PATH * 2];
    DWORD length = GetFullPathNameW(folder, ARRAYSIZE(full), full, nullptr);
    if (length == 0 || length >= ARRAYSIZE(full))
        return WideText(folder);
    if (length > 3 && full[length - 1] == L'\\')
        full[--length] = 0;
    WideText head(full), tail;
    for (;;) {
        wchar_t longer[MAX_PATH * 2];
        DWORD found = GetLongPathNameW(head.c_str(), longer, ARRAYSIZE(longer));
        if (found > 0 && found < ARRAYSIZE(longer))
            return WideText(longer).Append(tail);
        WideText parent = FolderOfPath(head.c_str());
        if (parent.size() <= 2) // a drive: nothing of the path exists
            return WideText(full);
        tail = WideText(head.c_str() + parent.size()).Append(tail);
        head = parent;
    }
}

bool SameText(const wchar_t* a, const wchar_t* b, size_t length)
{
    return CompareStringOrdinal(a, static_cast<int>(length), b, static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

// True when `folder` is `parent` or lies below it (case does not matter).
bool IsAtOrBelow(const WideText& folder, const WideText& parent)
{
    if (parent.empty() || folder.size() < parent.size() || !SameText(folder.c_str(), parent.c_str(), parent.size()))
        return false;
    return folder.size() == parent.size() || folder[parent.size()] == L'\\';
}

bool SameFolder(const WideText& a, const WideText& b)
{
    return a.size() == b.size() && IsAtOrBelow(a, b);
}

// True when a folder on the way from `parent` down to `folder`, itself
// included, is a junction or a symbolic link.
bool PassesALink(const WideText& folder, const WideText& parent)
{
    for (size_t end = parent.size() + 1; end <= folder.size(); ++end) {
        if (end < folder.size() && folder[end] != L'\\')
            continue;
        DWORD attributes = GetFileAttributesW(WideText(folder.c_str(), end).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false; // made by the installation, below what exists
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return true;
    }
    return false;
}

bool HoldsAnything(const WideText& folder)
{
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW(PathInFolder(folder.c_str(), L"*").c_str(), &found));
    if (!search)
        return false;
    do {
        if (lstrcmpW(found.cFileName, L".") != 0 && lstrcmpW(found.cFileName, L"..") != 0)
            return true;
    } while (FindNextFileW(search.get(), &found));
    return false;
}

// CustomActionData split at '|': root key, subkey, value name, expected text.
struct RegistrationValue {
    HKEY root = nullptr;
    WideText key, name, expected;
};

RegistrationValue ParseRegistrationValue(MSIHANDLE install)
{
    WideText data = Property(install, L"CustomActionData");
    WideText parts[3];
    size_t part = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] == L'|' && part < 2)
            ++part;
        else
            parts[part].Append(data[i]);
    }
    RegistrationValue value;
    size_t slash = parts[0].FindChar(L'\\');
    if (slash == WideText::npos)
        return value;
    if (SameText(parts[0].c_str(), L"HKLM", 4) && slash == 4)
        value.root = HKEY_LOCAL_MACHINE;
    else if (SameText(parts[0].c_str(), L"HKCU", 4) && slash == 4)
        value.root = HKEY_CURRENT_USER;
    value.key = WideText(parts[0].c_str() + slash + 1);
    value.name = parts[1];
    value.expected = parts[2];
    return value;
}

WideText ReadString(const RegistrationValue& value)
{
    wchar_t text[MAX_PATH * 2] = L"";
    DWORD size = sizeof(text);
    if (RegGetValueW(value.root, value.key.c_str(), value.name.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return WideText();
    return WideText(text);
}

} // namespace

// The kit runs elevated from the install folder, and every user's Outlook
// loads NOX.dll from it: an empty folder below Program Files (or the
// product's own, on an upgrade), none below Windows, none reached through a
// junction or link. INSTALLDIR takes the canonical form for all that follows.
extern "C" UINT __stdcall CheckInstallFolder(MSIHANDLE install)
{
    wchar_t target[MAX_PATH * 2];
    DWORD length = ARRAYSIZE(target);
    if (MsiGetTargetPathW(install, L"INSTALLDIR", target, &length) != ERROR_SUCCESS)
        return Refuse(install, L"The install folder is not known.");
    WideText folder = CanonicalFolder(target);
    WideText programFiles = CanonicalFolder(Property(install, L"ProgramFilesFolder").c_str());
    WideText programFiles64 = Property(install, L"ProgramFiles64Folder");
    if (!programFiles64.empty())
        programFiles64 = CanonicalFolder(programFiles64.c_str());
    WideText windows = CanonicalFolder(Property(install, L"WindowsFolder").c_str());
    if (IsAtOrBelow(folder, windows))
        return Refuse(install, WideText(folder).Append(L" is below the Windows folder. Choose a folder below ")
                                   .Append(programFiles).Append(L"."));
    const WideText* below = nullptr;
    const WideText* roots[] = {&programFiles, &programFiles64};
    for (const WideText* root : roots)
        if (IsAtOrBelow(folder, *root) && folder.size() > root->size())
            below = root;
    if (!below)
        return Refuse(install, WideText(folder).Append(L" is not below ").Append(programFiles).Append(
                                   L". The setup runs programs from its folder with administrator rights, so it "
                                   L"installs only where standard users cannot write."));
    if (PassesALink(folder, *below))
        return Refuse(install, WideText(folder).Append(L" is reached through a junction or a symbolic link, "
                                                       L"which may lead to a folder that standard users can write."));
    // The product's own folder, which an upgrade installs into again.
    WideText previous = Property(install, L"PREVIOUSINSTALLDIR");
    bool ours = !previous.empty() && SameFolder(folder, CanonicalFolder(previous.c_str()));
    if (!ours && HoldsAnything(folder))
        return Refuse(install, WideText(folder).Append(L" is not empty. Choose an empty folder, or a new one: the "
                                                       L"setup would replace, and its removal delete, files that "
                                                       L"are not its own."));
    MsiSetTargetPathW(install, L"INSTALLDIR", folder.c_str());
    return ERROR_SUCCESS;
}

extern "C" UINT __stdcall ClearRegistration(MSIHANDLE install)
{
    RegistrationValue value = ParseRegistrationValue(install);
    if (value.root)
        RegDeleteKeyValueW(value.root, value.key.c_str(), value.name.c_str());
    return ERROR_SUCCESS;
}

// Register.exe ends as soon as regsvr32 has started: only the value its
// registration writes tells that NOX.dll is registered.
extern "C" UINT __stdcall WaitForRegistration(MSIHANDLE install)
{
    RegistrationValue value = ParseRegistrationValue(install);
    for (int tries = 0; tries < 40; ++tries) {
        if (value.root && lstrcmpiW(ReadString(value).c_str(), value.expected.c_str()) == 0)
            return ERROR_SUCCESS;
        Sleep(250);
    }
    Log(install, WideText(L"regsvr32 did not register ").Append(value.expected).Append(L" within 10 seconds."));
    return ERROR_INSTALL_FAILURE;
}

extern "C" UINT __stdcall SayUnattended(MSIHANDLE install)
{
    Log(install, L"No user to answer (no user interface): Uninstaller.exe is not run, so Outlook is not restarted "
                 L"to remove the NOX command bar. NOX.dll is unregistered, so Outlook no longer loads NOX; its bar "
                 L"stays in each user's Outlook, without function, until the user removes it (Customize) or Outlook "
                 L"resets its command bars. Uninstall with a user interface to have it removed.");
    return ERROR_SUCCESS;
}

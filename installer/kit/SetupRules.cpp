#include "SetupRules.h"
#include "AddinRecord.h"
#include "AppFolder.h"
#include "HeapVector.h"
#include "Launch.h"
#include "Registration.h"
#include "RegistryKeys.h"
#include "ResourceText.h"
#include "Result.h"
#include "SetupText.h"
#include "UniqueResource.h"
#include <msi.h>
#include <sddl.h>
#include <initializer_list>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// Register.exe ends as soon as regsvr32 has started; one still running after
// this waits on its failure box for a click that an unattended setup never
// gives. regsvr32 and the unregister script are given as long.
constexpr DWORD kProgramBoundMs = 60000;
// The kit's sequence waits for the user, who may take a while.
constexpr DWORD kSequenceBoundMs = 30 * 60000;
// How long NOX.dll's registration is read back, and a file in use retried.
constexpr int kTries = 40;
constexpr DWORD kTryMs = 250;

} // namespace

WideText SetupText(UINT id, const wchar_t* first, const wchar_t* second)
{
    WideText pattern = LoadText(id, reinterpret_cast<HMODULE>(&__ImageBase));
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(first), reinterpret_cast<DWORD_PTR>(second)};
    UniqueLocalText text;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                      FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                  pattern.c_str(), 0, 0, reinterpret_cast<wchar_t*>(text.put()), 0,
                                  reinterpret_cast<va_list*>(inserts));
    return length ? WideText(text.get(), length) : pattern;
}

namespace {

// An exit code as it is told: regsvr32's and cmd's as numbers, the kit's
// programs' (HRESULTs) in hex.
WideText Number(DWORD number, bool hex = false)
{
    wchar_t digits[16];
    wsprintfW(digits, hex ? L"0x%08X" : L"%lu", number);
    return WideText(digits);
}

// Two texts for the log, each on its own line(s).
WideText Lines(WideText first, const WideText& second)
{
    if (!first.empty() && !second.empty())
        first.Append(L"\r\n");
    return first.Append(second.c_str());
}

// Writes a text value (REG_SZ) under `key`, which it creates if need be.
LONG SetTextValue(HKEY root, const wchar_t* key, const wchar_t* name, const wchar_t* text)
{
    return RegSetKeyValueW(root, key, name, REG_SZ, text, static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)));
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

bool NotThere(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Whether a folder on the way from `parent` down to `folder`, itself
// included, is a junction or a symbolic link; ERROR_SUCCESS, or the error
// that keeps it from being told (which refuses the folder: a check that
// cannot be made never passes).
DWORD PassesALink(const WideText& folder, const WideText& parent, bool& link)
{
    link = false;
    for (size_t end = parent.size() + 1; end <= folder.size() && !link; ++end) {
        if (end < folder.size() && folder[end] != L'\\')
            continue;
        DWORD attributes = GetFileAttributesW(WideText(folder.c_str(), end).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) // made by the installation, below what exists
            return NotThere(GetLastError()) ? ERROR_SUCCESS : GetLastError();
        link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }
    return ERROR_SUCCESS;
}

// Whether `folder` holds anything; the error that keeps it from being told.
DWORD HoldsAnything(const WideText& folder, bool& holds)
{
    holds = false;
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW(PathInFolder(folder.c_str(), L"*").c_str(), &found));
    if (!search)
        return NotThere(GetLastError()) ? ERROR_SUCCESS : GetLastError();
    do {
        holds = lstrcmpW(found.cFileName, L".") != 0 && lstrcmpW(found.cFileName, L"..") != 0;
    } while (!holds && FindNextFileW(search.get(), &found));
    return holds || GetLastError() == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : GetLastError();
}

// The caller's environment with SystemRoot, windir and ComSpec as the
// system has them: the kit's scripts take regsvr32 and cmd from there, and
// whoever started an elevated setup must not choose which run. A process
// started with no environment block of its own gets its caller's
// (CreateProcess, lpEnvironment: "If this parameter is NULL, the new process
// uses the environment of the calling process"). Wine sets SystemRoot and
// windir anew in every process, so only Windows shows the difference.
HeapVector<wchar_t> SystemEnvironment()
{
    wchar_t windows[MAX_PATH] = L"", system[MAX_PATH] = L"";
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    WideText comSpec = PathInFolder(system, L"cmd.exe");
    struct Fixed {
        const wchar_t* name;
        const wchar_t* value;
        bool set;
    } fixed[] = {{L"SystemRoot", windows, false}, {L"windir", windows, false}, {L"ComSpec", comSpec.c_str(), false}};
    HeapVector<wchar_t> block;
    auto add = [&block](const wchar_t* text, size_t length) { block.Append(text, length); };
    auto addFixed = [&add](Fixed& f) {
        add(f.name, lstrlenW(f.name));
        add(L"=", 1);
        add(f.value, lstrlenW(f.value) + 1);
        f.set = true;
    };
    // Each in its place: the block stays sorted as Windows keeps it.
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry && *entry; entry += lstrlenW(entry) + 1) {
        size_t name = 1; // "=C:=C:\..." keeps a drive's current folder
        while (entry[name] && entry[name] != L'=')
            ++name;
        Fixed* replaced = nullptr;
        for (Fixed& f : fixed)
            if (static_cast<size_t>(lstrlenW(f.name)) == name && SameText(entry, f.name, name))
                replaced = &f;
        if (replaced)
            addFixed(*replaced);
        else
            add(entry, lstrlenW(entry) + 1);
    }
    FreeEnvironmentStringsW(strings);
    for (Fixed& f : fixed)
        if (!f.set)
            addFixed(f);
    add(L"", 1);
    return block;
}

// Waits for a process to end, at most `boundMs`; one still running then is
// ended, and that is the failure.
HRESULT WaitWithin(HANDLE process, DWORD boundMs, DWORD& exitCode)
{
    if (WaitForSingleObject(process, boundMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, ERROR_TIMEOUT);
        return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    }
    return GetExitCodeProcess(process, &exitCode) ? S_OK : LastErrorAsFailure();
}

// Runs a program in `folder` and waits for it, as WaitWithin does.
HRESULT RunWithin(const wchar_t* program, const wchar_t* arguments, const wchar_t* folder, ShowState show,
                  DWORD boundMs, DWORD& exitCode)
{
    UniqueHandle process;
    HeapVector<wchar_t> environment = SystemEnvironment();
    RETURN_IF_FAILED(LaunchInFolder(program, arguments, folder, show, process, environment.data()));
    return WaitWithin(process.get(), boundMs, exitCode);
}

// Takes back what Windows was to do with `source` at its next restart (move
// a "<file>.new" over its file): once the product is removed, that rename
// would only bring a file of it back.
void CancelPendingRename(const wchar_t* source)
{
    const wchar_t kValue[] = L"PendingFileRenameOperations";
    UniqueRegKey session = OpenKey(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                   KEY_QUERY_VALUE | KEY_SET_VALUE);
    DWORD type = 0, size = 0;
    if (!session || RegQueryValueExW(session.get(), kValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return;
    HeapVector<wchar_t> data, kept;
    data.Resize(size / sizeof(wchar_t) + 2); // room for the nulls a value may lack
    if (RegQueryValueExW(session.get(), kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return;
    data[size / sizeof(wchar_t)] = data[size / sizeof(wchar_t) + 1] = 0;
    // Pairs of paths, "\??\<source>" then its target ("" to delete it).
    bool cancelled = false;
    for (const wchar_t* from = data.data(); *from;) {
        const wchar_t* to = from + lstrlenW(from) + 1;
        const wchar_t* next = to + lstrlenW(to) + 1;
        const wchar_t* path = wcsncmp(from, L"\\??\\", 4) == 0 ? from + 4 : from;
        if (lstrcmpiW(path, source) == 0)
            cancelled = true;
        else
            kept.Append(from, next - from);
        from = next;
    }
    kept.PushBack(0);
    if (cancelled)
        RegSetValueExW(session.get(), kValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}

// What a run that could not start, or did not end, is said as.
WideText RunFailure(HRESULT hr, const wchar_t* program, DWORD boundMs)
{
    if (hr == HRESULT_FROM_WIN32(ERROR_TIMEOUT))
        return SetupText(IDS_DID_NOT_END, program, Number(boundMs / 1000).c_str());
    return SetupText(IDS_COULD_NOT_START, program);
}

} // namespace

WideText RegisteredPath(const RegistrationValue& value)
{
    wchar_t text[MAX_PATH * 2] = L"";
    DWORD size = sizeof(text);
    if (RegGetValueW(value.root, value.key.c_str(), value.name.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return WideText();
    return WideText(text);
}

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

WideText JudgeInstallFolder(WideText& folder, const InstallPlaces& places)
{
    if (folder.empty())
        return SetupText(IDS_FOLDER_UNKNOWN);
    folder = CanonicalFolder(folder.c_str());
    WideText programFiles = CanonicalFolder(places.programFiles);
    WideText programFiles64 = *places.programFiles64 ? CanonicalFolder(places.programFiles64) : WideText();
    if (IsAtOrBelow(folder, CanonicalFolder(places.windows)))
        return SetupText(IDS_BELOW_WINDOWS, folder.c_str(), programFiles.c_str());
    const WideText* below = nullptr;
    for (const WideText* root : {&programFiles, &programFiles64})
        if (IsAtOrBelow(folder, *root) && folder.size() > root->size())
            below = root;
    if (!below)
        return SetupText(IDS_NOT_BELOW_PROGRAM_FILES, folder.c_str(), programFiles.c_str());
    bool link = false, holds = false;
    if (DWORD error = PassesALink(folder, *below, link))
        return SetupText(IDS_CANNOT_EXAMINE, folder.c_str(), Number(error).c_str());
    if (link)
        return SetupText(IDS_THROUGH_A_LINK, folder.c_str(), programFiles.c_str());
    // The product's own folder, which an upgrade or repair installs into
    // again; a second copy elsewhere would be orphaned by either's removal.
    WideText previous = *places.previous ? CanonicalFolder(places.previous) : WideText();
    bool ours = previous.size() == folder.size() && IsAtOrBelow(folder, previous);
    if (!previous.empty() && !ours)
        return SetupText(IDS_INSTALLED_ELSEWHERE, previous.c_str(), folder.c_str());
    if (DWORD error = ours ? ERROR_SUCCESS : HoldsAnything(folder, holds))
        return SetupText(IDS_CANNOT_EXAMINE, folder.c_str(), Number(error).c_str());
    if (holds)
        return SetupText(IDS_NOT_EMPTY, folder.c_str());
    return WideText();
}

RegistrationValue ParseRegistrationValue(const wchar_t* rootAndKey, const wchar_t* name)
{
    RegistrationValue value;
    WideText path(rootAndKey);
    if (path.size() < 6 || path[4] != L'\\')
        return value;
    if (SameText(path.c_str(), L"HKLM", 4))
        value.root = HKEY_LOCAL_MACHINE;
    else if (SameText(path.c_str(), L"HKCU", 4))
        value.root = HKEY_CURRENT_USER;
    value.key = WideText(path.c_str() + 5);
    value.name = WideText(name);
    return value;
}

namespace {

// Register.exe run and the registration read back, the value cleared first.
WideText RegisterAfresh(const wchar_t* folder, const RegistrationValue& value)
{
    // Only this run's registration counts: over an installed product the
    // value would still name the installed NOX.dll.
    LONG cleared =
        value.root ? RegDeleteKeyValueW(value.root, value.key.c_str(), value.name.c_str()) : ERROR_BAD_FORMAT;
    if (cleared != ERROR_SUCCESS && cleared != ERROR_FILE_NOT_FOUND)
        return SetupText(IDS_COULD_NOT_CLEAR, value.key.c_str());
    WideText registrar = PathInFolder(folder, L"Register.exe");
    DWORD exitCode = 0;
    HRESULT hr = RunWithin(registrar.c_str(), nullptr, folder, ShowState::NormalWithFocus, kProgramBoundMs, exitCode);
    if (FAILED(hr))
        return RunFailure(hr, registrar.c_str(), kProgramBoundMs);
    if (exitCode != 0)
        return SetupText(IDS_REGISTER_FAILED, Number(exitCode, true).c_str());
    // Register.exe ends as soon as regsvr32 has started: only the value the
    // registration writes tells that it is done.
    WideText dll = PathInFolder(folder, L"NOX.dll");
    for (int tries = 0; tries < kTries; ++tries, Sleep(kTryMs))
        if (lstrcmpiW(RegisteredPath(value).c_str(), dll.c_str()) == 0)
            return WideText();
    return SetupText(IDS_NOT_REGISTERED, dll.c_str());
}

} // namespace

WideText RegisterProduct(const wchar_t* folder, const RegistrationValue& value)
{
    // Register.exe starts the regsvr32.exe beside it: the system's own, of
    // the setup's bitness, copied there rather than shipped.
    WideText systemCopy, copy = PathInFolder(folder, L"regsvr32.exe");
    if (FAILED(PathInSystemFolder(L"regsvr32.exe", systemCopy)) || !CopyFileW(systemCopy.c_str(), copy.c_str(), FALSE))
        return SetupText(IDS_COULD_NOT_COPY, systemCopy.c_str(), folder);
    // A repair or an upgrade that cannot register leaves the installed
    // registration as it found it, whether or not its setup rolls back.
    WideText previous = RegisteredPath(value);
    WideText why = RegisterAfresh(folder, value);
    if (!why.empty() && !previous.empty())
        why = Lines(why, RestoreRegistration(folder, value, previous.c_str()));
    return why;
}

WideText RestoreRegistration(const wchar_t* folder, const RegistrationValue& value, const wchar_t* previous)
{
    if (!*previous)
        return UnregisterProduct(folder);
    LONG written =
        value.root ? SetTextValue(value.root, value.key.c_str(), value.name.c_str(), previous) : ERROR_BAD_FORMAT;
    return SetupText(written == ERROR_SUCCESS ? IDS_VALUE_RESTORED : IDS_VALUE_NOT_RESTORED, value.key.c_str(),
                     previous);
}

WideText UnregisterProduct(const wchar_t* folder)
{
    WideText regsvr32, system;
    DWORD exitCode = 0;
    HRESULT hr = PathInSystemFolder(L"regsvr32.exe", regsvr32);
    // From the system folder: the kit's folder may be gone at the end.
    system = FolderOfPath(regsvr32.c_str());
    WideText arguments = WideText(L"/s /u \"").Append(PathInFolder(folder, L"NOX.dll")).Append(L"\"");
    if (SUCCEEDED(hr))
        hr = RunWithin(regsvr32.c_str(), arguments.c_str(), system.c_str(), ShowState::Hidden, kProgramBoundMs,
                       exitCode);
    WideText said = FAILED(hr) ? RunFailure(hr, regsvr32.c_str(), kProgramBoundMs)
                               : SetupText(IDS_UNREGISTERED, Number(exitCode).c_str());
    return Lines(said, RemoveInstalledFile(PathInFolder(folder, L"regsvr32.exe").c_str()));
}

bool UserIsThere(unsigned uiLevel, const wchar_t* rebootPrompt, const wchar_t* userSid)
{
    // The UILevel property is 2 (none) to 5 (full) ("UILevel property"); the
    // flags of MsiSetInternalUI are masked off should a caller pass them.
    if ((uiLevel & 0x0F) <= INSTALLUILEVEL_NONE)
        return false;
    // msiexec's /passive is "/qb!- with REBOOTPROMPT=S set on the command
    // line" (Microsoft's "Standard Installer Command-Line Options"), and is
    // documented as unattended: "no prompts or error messages are displayed
    // to the user". Any other basic UI (/qb and its variants) keeps the
    // sequence, for it is the level the installed-programs list removes a
    // product with: a removal from there sets UILevel to 3 (Revenera's
    // "Launch a Custom Action only when Uninstall is Selected from
    // Add/Remove Programs"; Microsoft's pages do not say).
    if (rebootPrompt[0] == L'S' || rebootPrompt[0] == L's')
        return false;
    // LocalSystem, LocalService and NetworkService ("Well-known SIDs"): the
    // accounts deployment tools install as, in session 0, whose desktop no
    // user sees ("Session 0 Isolation").
    for (const wchar_t* service : {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20"})
        if (lstrcmpiW(userSid, service) == 0)
            return false;
    return true;
}

WideText ProcessUserSid()
{
    UniqueHandle token;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } buffer;
    DWORD size = sizeof(buffer);
    UniqueLocalText text;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !GetTokenInformation(token.get(), TokenUser, &buffer, size, &size) ||
        !ConvertSidToStringSidW(buffer.user.User.Sid, text.put()))
        return WideText();
    return WideText(text.get());
}

namespace {

// A script of the kit's in `folder`, started there by its bare name with the
// system's environment and waited for; what became of it, for the log.
WideText RunKitScript(const wchar_t* folder, const wchar_t* script, UINT endedText, UINT missingText)
{
    UniqueHandle process;
    HeapVector<wchar_t> environment = SystemEnvironment();
    HRESULT hr = LaunchScript(folder, script, ShowState::Hidden, &process, environment.data());
    if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
        return SetupText(missingText, PathInFolder(folder, script).c_str());
    DWORD exitCode = 0;
    if (SUCCEEDED(hr))
        hr = WaitWithin(process.get(), kProgramBoundMs, exitCode);
    if (FAILED(hr))
        return RunFailure(hr, script, kProgramBoundMs);
    return SetupText(endedText, Number(exitCode).c_str());
}

// The cleanup add-in's entry among the Outlook add-ins of the user this
// process runs as, where and as uninstall.dll's own registration writes it:
// the DLL's record says both. The DLL is loaded as data, so none of its code
// runs here.
class UserAddinEntry {
public:
    explicit UserAddinEntry(const wchar_t* folder)
        : module_(LoadLibraryExW(PathInFolder(folder, L"uninstall.dll").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
        found_ = module_ ? LocateAddinEntry(module_.get(), entry_, root_, key_) : LastErrorAsFailure();
    }

    // A host key of the machine's is written with the machine's part.
    WideText Place()
    {
        if (SUCCEEDED(found_) && root_ != HKEY_CURRENT_USER)
            return WideText();
        RegistryJournal journal;
        HRESULT hr = FAILED(found_) ? HRESULT_FROM_WIN32(ERROR_INVALID_DATA)
                                    : WriteAddinEntry(journal, root_, key_.c_str(), entry_);
        if (SUCCEEDED(hr))
            return SetupText(IDS_USER_ADDIN_PLACED, key_.c_str());
        journal.Rollback();
        return SetupText(IDS_USER_ADDIN_NOT_PLACED, key_.c_str(), Number(HRESULT_CODE(hr)).c_str());
    }

    WideText Remove()
    {
        if (FAILED(found_) || root_ != HKEY_CURRENT_USER)
            return WideText();
        LONG status = DeleteTree(root_, key_.c_str(), 0);
        return status == ERROR_SUCCESS ? WideText() : SetupText(IDS_NOT_REMOVED, key_.c_str(), Number(status).c_str());
    }

private:
    UniqueModule module_; // holds the record the entry's texts point into
    AddinEntry entry_ = {};
    HKEY root_ = nullptr;
    WideText key_;
    HRESULT found_;
};

} // namespace

WideText RegisterCleanupAddin(const wchar_t* folder, bool userIsThere)
{
    if (!userIsThere)
        return WideText();
    return RunKitScript(folder, L"UninstRegister.bat", IDS_ADDIN_REGISTERED, IDS_REGISTER_SCRIPT_MISSING);
}

WideText RunSequence(const wchar_t* folder, bool userIsThere)
{
    if (!userIsThere)
        return SetupText(IDS_NO_USER);
    // Under UAC the user's own run of UninstRegister.bat has no rights to the
    // machine's keys and so registers nothing (all or nothing); the
    // machine's part comes from RegisterCleanupAddin, this user's part from
    // here, for the Outlook that the sequence restarts in this user's name.
    UserAddinEntry entry(folder);
    WideText said = entry.Place();
    WideText sequencer = PathInFolder(folder, L"Uninstaller.exe");
    DWORD exitCode = 0;
    HRESULT hr = RunWithin(sequencer.c_str(), nullptr, folder, ShowState::NormalWithFocus, kSequenceBoundMs, exitCode);
    said = Lines(said, FAILED(hr) ? RunFailure(hr, sequencer.c_str(), kSequenceBoundMs)
                                  : SetupText(IDS_SEQUENCE_ENDED, Number(exitCode, true).c_str()));
    return Lines(said, entry.Remove());
}

WideText RunUnregisterScript(const wchar_t* folder)
{
    // Uninstaller.exe ends 2.5 s after starting the script, without waiting
    // for it; unregistering is idempotent, so it is run once more, and
    // waited for, before uninstall.dll goes.
    return RunKitScript(folder, L"UninstUnregister.bat", IDS_SCRIPT_ENDED, IDS_SCRIPT_MISSING);
}

WideText RemoveInstalledFile(const wchar_t* path)
{
    WideText replacement = WideText(path).Append(L".new");
    if (DeleteFileW(replacement.c_str()))
        CancelPendingRename(replacement.c_str());
    for (int tries = 0;; ++tries, Sleep(kTryMs)) {
        if (DeleteFileW(path))
            return WideText();
        DWORD error = GetLastError();
        if (NotThere(error))
            return WideText();
        // In use: opening it for deletion fails with a sharing violation
        // while a process has it open; it opens while a process that loaded
        // it (a DLL) keeps its image mapped. A folder in its place does not.
        UniqueFileHandle probe(CreateFileW(path, DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        bool inUse = probe || GetLastError() == ERROR_SHARING_VIOLATION;
        if (!inUse)
            return SetupText(IDS_NOT_REMOVED, path, Number(error).c_str());
        if (tries == kTries) {
            MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return SetupText(IDS_REMOVED_AT_RESTART, path);
        }
    }
}

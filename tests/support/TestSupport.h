#pragma once
// Helpers for tests that drive real processes, windows and the registry.
#include "EventLog.h"
#include "RegistryKeys.h"
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The folder of the running test program, where every built binary lies.
std::wstring BinFolder();

// Polls until the condition holds or the time runs out; true if it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 15);

// Removes a folder with all it holds, if it is there.
void RemoveFolderTree(const std::wstring& folder);

// The folder part of a path ("C:\a\b.exe" -> "C:\a").
std::wstring FolderOfPathText(const std::wstring& path);
void WriteFileText(const std::wstring& path, const std::string& content);
// The files below a folder, as paths relative to it ("x64\\a.dll"), sorted;
// none if it is absent.
std::vector<std::wstring> FilesBelow(const std::wstring& folder);

// Ends, by id, every process whose program lies in `folder` (or below it):
// programs this run's own stand-ins and kit copies, left by an earlier run.
// Returns how many it ended.
int EndProcessesRunningFrom(const std::wstring& folder);
// The ids of the other processes running the program at `program` (a full path).
std::vector<DWORD> ProcessesRunning(const std::wstring& program);

// A fresh folder under the temporary folder, removed with all it holds.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& nameHint);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Copies a built binary in, under its own or another name.
    void CopyFromBin(const std::wstring& binName, const std::wstring& asName = L"") const;
    void WriteText(const std::wstring& name, const std::string& content) const;

private:
    std::wstring path_;
};

// A process this test started; ended by handle at destruction if still running.
class ChildProcess {
public:
    ChildProcess() = default;
    // With `token`, as the user and with the rights it names.
    ChildProcess(const std::wstring& commandLine, WORD show = SW_SHOWNORMAL, HANDLE token = nullptr);
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;

    bool Started() const { return process_ != nullptr; }
    // Lets the process outlive this object.
    void Detach();
    DWORD Pid() const { return pid_; }
    bool WaitExit(DWORD timeoutMs) const;
    bool Running() const { return !WaitExit(0); }
    DWORD ExitCode() const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Whether the tests run under Wine rather than Windows.
bool UnderWine();

// This process's token as UAC filters an administrator's (LUA_TOKEN, medium
// integrity), for a process started unelevated; null where it cannot be made.
// The caller closes it.
HANDLE FilteredToken();

// Top-level windows of one process, visible ones only if asked.
std::vector<HWND> WindowsOfProcess(DWORD pid, bool visibleOnly);
std::wstring WindowText(HWND window);
// A message box of the process, shown and ready, or null.
HWND FindMessageBox(DWORD pid);
std::wstring MessageBoxText(HWND box);
void DismissMessageBox(HWND box);

// Sets a registry string value (or removes the key, given nullopt) for the
// length of a test and puts back exactly what was there before.
class ScopedRegistryString {
public:
    ScopedRegistryString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                         const std::optional<std::wstring>& value, REGSAM view = 0, DWORD type = REG_SZ);
    ~ScopedRegistryString();
    ScopedRegistryString(const ScopedRegistryString&) = delete;
    ScopedRegistryString& operator=(const ScopedRegistryString&) = delete;

private:
    HKEY root_;
    REGSAM view_;
    std::wstring keyPath_, valueName_;
    bool keyExisted_ = false;
    std::optional<std::wstring> previous_;
};

// Every value below a registry key, as "sub\\key\\[name]" -> "sz:text" or
// "dword:n", and every subkey as "sub\\key\\" -> "key"; empty if the key is absent.
// `view` may name a registry view (KEY_WOW64_32KEY, KEY_WOW64_64KEY).
using Tree = std::map<std::wstring, std::wstring>;
Tree Snapshot(HKEY root, const std::wstring& path, REGSAM view = 0);
// The kit's own registry helpers (RegistryKeys.h), for the tests' paths.
inline bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0)
{
    return KeyExists(root, path.c_str(), view);
}
// The text of a snapshot's string value at "sub\\key\\[name]"; "" where it has none.
std::wstring StringValue(const Tree& tree, const std::wstring& path);
// The subkeys of a snapshot ("sub\\key", no trailing separator) whose value
// `name` holds the string `text`.
std::vector<std::wstring> KeysWhereStringIs(const Tree& tree, const std::wstring& name, const std::wstring& text);
bool SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& valueName, const std::wstring& value,
                       REGSAM view = 0, DWORD type = REG_SZ);
// Removes a key and all below it, if it is there.
inline void DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view = 0)
{
    DeleteTree(root, path.c_str(), view);
}

// True in the 64-bit build of the tests and the main job.
constexpr bool kBuiltAs64Bit = sizeof(void*) == 8;

// The registry view of the other flavour, as a test program of this one sees it.
#ifdef _WIN64
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// Where programs of one bitness install: %ProgramFiles(x86)% for 32-bit ones,
// %ProgramW6432% for 64-bit ones, or %ProgramFiles% where only that is set
// (32-bit Windows).
std::wstring ProgramFilesFolder(bool x64);
// The system folder (this process's view of it), without a trailing separator.
std::wstring SystemFolder();

// The folder of the built binaries of one flavour, from either flavour's tests.
std::wstring FlavourBinFolder(bool x64);

// The screen's DPI as the user sets it (Control Panel\Desktop\LogPixels),
// for programs started meanwhile; what was set before comes back.
class ScopedScreenDpi {
public:
    explicit ScopedScreenDpi(DWORD dpi);
    ~ScopedScreenDpi();
    ScopedScreenDpi(const ScopedScreenDpi&) = delete;
    ScopedScreenDpi& operator=(const ScopedScreenDpi&) = delete;

private:
    DWORD previous_ = 0;
    bool had_ = false;
};

// The MAPI32 stand-in (MapiStandIn.dll of this flavour) as this process's
// system folder's MAPI32.DLL, where Pelmor.dll takes MAPI32 from, for the
// life of the object; Wine loads it there when mapi32 is overridden native
// first. What was there before (Wine's own) comes back at the end.
class SystemMapiStandIn {
public:
    SystemMapiStandIn();
    ~SystemMapiStandIn();
    SystemMapiStandIn(const SystemMapiStandIn&) = delete;
    SystemMapiStandIn& operator=(const SystemMapiStandIn&) = delete;

    bool Installed() const { return installed_; }

private:
    std::wstring target_, saved_;
    bool installed_ = false;
};

// PlantedDll.dll beside a program, under the name of a DLL the program loads
// at run time (uxtheme.dll, which windows load); Loaded() tells whether a
// program loaded it. Wine takes its own builtin first unless the test's
// WINEDLLOVERRIDES (set where Wine starts, see tests/CMakeLists.txt) prefers
// a native one, as Windows' own search order would.
class PlantedDll {
public:
    PlantedDll(const std::wstring& folder, const std::wstring& baseName = L"uxtheme");
    PlantedDll(const PlantedDll&) = delete;
    PlantedDll& operator=(const PlantedDll&) = delete;

    bool Loaded() const;

private:
    std::wstring path_;
};

// Starts an Outlook stand-in, waits for its window, closes it as a user
// would and waits for it to end; false if it showed no window or did not end.
bool RunOutlookUntilClosed(const std::wstring& path);

// Closes a program's visible windows as a user would, and waits for it to
// end; false if it did not end in time.
bool CloseAsUser(DWORD pid, DWORD timeoutMs = 10000);

// The registry key under which the sequencer finds Outlook.
extern const wchar_t kOutlookAppPathKey[];

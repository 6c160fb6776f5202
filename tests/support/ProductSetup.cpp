#include "ProductSetup.h"
#include "AddinKeys.h"
#include "TestSupport.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The MSI's own key, which remembers its folder for an upgrade.
const wchar_t kProductKey[] = L"Software\\NOX";

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD RunAndWait(const std::wstring& commandLine, DWORD timeoutMs)
{
    ChildProcess process(commandLine);
    return process.WaitExit(timeoutMs) ? process.ExitCode() : STILL_ACTIVE;
}

std::wstring SystemProgram(const wchar_t* name)
{
    return L"\"" + SystemFolder() + L"\\" + name + L"\"";
}

std::wstring Msiexec()
{
    return SystemProgram(L"msiexec.exe");
}

// Runs a command as SYSTEM, as a deployment tool's agent does, through a
// scheduled task run once ("schtasks /create /ru SYSTEM", Microsoft's
// schtasks reference); its exit code, which the task's batch file writes
// down, or STILL_ACTIVE if it did not end in time.
DWORD RunAsSystem(const std::wstring& commandLine, DWORD timeoutMs)
{
    ScratchFolder folder(L"as-system");
    const std::wstring exitCode = folder / L"exit-code.txt";
    folder.WriteText(L"run.cmd", "@start \"\" /wait " + Narrow(commandLine) + "\r\n@>\"" + Narrow(exitCode) +
                                     "\" echo %errorlevel%\r\n");
    const std::wstring task = SystemProgram(L"schtasks.exe") + L" /tn NOXKitTestsAsSystem";
    DWORD result = STILL_ACTIVE;
    if (RunAndWait(task + L" /create /f /ru SYSTEM /sc once /st 00:00 /tr \"\\\"" + (folder / L"run.cmd") + L"\\\"\"",
                   30000) == 0 &&
        RunAndWait(task + L" /run", 30000) == 0 &&
        WaitUntil([&] { return !ReadLines(exitCode).empty(); }, timeoutMs, 500))
        result = std::stoul(ReadLines(exitCode).front());
    RunAndWait(task + L" /end", 30000);
    RunAndWait(task + L" /delete /f", 30000);
    return result;
}

std::wstring MsiLogOption()
{
    return L" /l*v \"" + MsiLog() + L"\"";
}

// The keys of the product's entries among the installed programs (32-bit
// view): NSIS's "...\Uninstall\NOX", an MSI's "...\Uninstall\{product code}".
std::vector<std::wstring> ProductEntryKeys()
{
    std::vector<std::wstring> keys;
    for (const std::wstring& entry :
         KeysWhereStringIs(Snapshot(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY), L"DisplayName", L"NOX"))
        keys.push_back(std::wstring(kUninstallKey) + L"\\" + entry);
    return keys;
}

// An MSI's product code, from its entry's key; "" for NSIS's entry.
std::wstring InstalledProductCode()
{
    for (const std::wstring& key : ProductEntryKeys()) {
        std::wstring last = key.substr(key.find_last_of(L'\\') + 1);
        if (!last.empty() && last[0] == L'{')
            return last;
    }
    return L"";
}

// NSIS's uninstaller from its entry's command, copied aside and started with
// `arguments` and _?=<product folder>: "" where the entry names none.
std::wstring NsisUninstallerCommand(const std::wstring& entryCommand, const ScratchFolder& copy,
                                    const std::wstring& arguments)
{
    size_t close = entryCommand.find(L'"', 1);
    if (entryCommand.empty() || entryCommand[0] != L'"' || close == std::wstring::npos)
        return L"";
    std::wstring uninstaller = entryCommand.substr(1, close - 1);
    CopyFileW(uninstaller.c_str(), (copy / L"uninst.exe").c_str(), FALSE);
    return L"\"" + (copy / L"uninst.exe") + L"\"" + arguments + L" _?=" + FolderOfPathText(uninstaller);
}

// Presses the default button (Uninstall, then Close) of a program's own
// pages whenever it is there to be pressed, as the user does.
void PressPagesOf(const std::wstring& program, DWORD& lastPressTick)
{
    if (GetTickCount() - lastPressTick < 1000)
        return;
    for (DWORD pid : ProcessesRunning(program))
        for (HWND page : WindowsOfProcess(pid, true)) {
            HWND button = GetDlgItem(page, IDOK);
            if (button && IsWindowVisible(button) && IsWindowEnabled(button)) {
                PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(button));
                lastPressTick = GetTickCount();
            }
        }
}

// msiexec /i on a package, silently and logged, with `properties` besides.
DWORD InstallMsi(const std::wstring& package, const std::wstring& properties, DWORD timeoutMs)
{
    return RunAndWait(Msiexec() + L" /i \"" + package + L"\" /qn" + MsiLogOption() + L" " + properties, timeoutMs);
}

} // namespace

const char* PackageName(Package package)
{
    return package == Package::Nsis ? "NOX-setup.exe" : "NOX.msi";
}

std::wstring PackageFile(Package package, bool previous)
{
    if (package == Package::Nsis)
        return BinFolder() + (previous ? L"\\NOX-setup-previous.exe" : L"\\NOX-setup.exe");
    return BinFolder() + (previous ? L"\\NOX-previous.msi" : L"\\NOX.msi");
}

bool PackageBuilt(Package package)
{
    return FileExists(PackageFile(package)) && FileExists(PackageFile(package, true));
}

std::wstring ProductFolder()
{
    return ProgramFilesFolder(false) + L"\\NOX";
}

std::wstring MsiLog()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"NOX-msi.log";
}

DWORD InstallSilently(Package package, bool previous, const std::wstring& folder, DWORD timeoutMs,
                      const std::wstring& properties)
{
    if (package == Package::Nsis)
        return RunAndWait(L"\"" + PackageFile(package, previous) + L"\" /S" + (folder.empty() ? L"" : L" /D=" + folder),
                          timeoutMs);
    return InstallMsi(PackageFile(package, previous),
                      (folder.empty() ? L"" : L"INSTALLDIR=\"" + folder + L"\" ") + properties, timeoutMs);
}

DWORD InstallMsiSilently(const std::wstring& file, DWORD timeoutMs)
{
    return InstallMsi(BinFolder() + L"\\" + file, L"", timeoutMs);
}

DWORD RepairSilently(DWORD timeoutMs)
{
    return InstallMsi(PackageFile(Package::Msi), L"REINSTALL=ALL REINSTALLMODE=vomus", timeoutMs);
}

DWORD FailedSetupCode(Package package)
{
    return package == Package::Nsis ? 2u : static_cast<DWORD>(ERROR_INSTALL_FAILURE);
}

int ProductEntries()
{
    return static_cast<int>(ProductEntryKeys().size());
}

std::wstring ProductEntryValue(const wchar_t* name)
{
    std::vector<std::wstring> keys = ProductEntryKeys();
    if (keys.empty())
        return L"";
    return StringValue(Snapshot(HKEY_LOCAL_MACHINE, keys.front(), KEY_WOW64_32KEY), std::wstring(L"[") + name + L"]");
}

UninstallerRun UninstallAsUser(const DriveOptions& options, const std::wstring& msiForm)
{
    const std::wstring command = ProductEntryValue(L"UninstallString");
    ScratchFolder copy(L"uninstaller");
    DriveOptions user = options;
    std::wstring launcher = command + L" " + msiForm; // an MSI's: MsiExec.exe /X{product code}
    if (InstalledProductCode().empty()) {
        launcher = NsisUninstallerCommand(command, copy, L"");
        if (launcher.empty())
            return UninstallerRun();
        DWORD lastPressTick = GetTickCount() - 1000;
        const std::wstring uninstaller = copy / L"uninst.exe";
        user.whileRunning = [uninstaller, lastPressTick, options]() mutable {
            PressPagesOf(uninstaller, lastPressTick);
            if (options.whileRunning)
                options.whileRunning();
        };
    }
    return DriveUninstallerStartedBy(launcher, ProductFolder() + L"\\Uninstaller.exe", user);
}

DWORD UninstallUnattended(DWORD timeoutMs, const std::wstring& msiForm, bool asSystem)
{
    const std::wstring code = InstalledProductCode();
    if (!code.empty()) {
        const std::wstring command = Msiexec() + L" /x " + code + L" " + msiForm + MsiLogOption();
        return asSystem ? RunAsSystem(command, timeoutMs) : RunAndWait(command, timeoutMs);
    }
    ScratchFolder copy(L"uninstaller");
    std::wstring command = NsisUninstallerCommand(ProductEntryValue(L"UninstallString"), copy, L" /S");
    return command.empty() ? ERROR_FILE_NOT_FOUND : RunAndWait(command, timeoutMs);
}

std::string ProductLeftovers()
{
    std::string left;
    auto add = [&](const std::string& what) { left += (left.empty() ? "" : ", ") + what; };
    const std::wstring folder = ProductFolder();
    for (const std::wstring& file : FilesBelow(folder))
        add("file " + Narrow(file));
    if (FileExists(folder))
        add("folder \"" + Narrow(folder) + "\"");
    if (ProductEntries())
        add("the product's entry among the installed programs");
    if (KeyExists(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY))
        add("HKLM\\Software\\NOX");
    if (KeyExists(HKEY_LOCAL_MACHINE, kNoxRecordKey, KEY_WOW64_32KEY))
        add("NOX.dll's registration");
    std::string addin = AddinKeysLeft();
    if (!addin.empty())
        add(addin);
    return left;
}

void RemoveProduct()
{
    const std::wstring folder = ProductFolder();
    EndProcessesRunningFrom(folder);
    // Windows Installer keeps its own record of an installed package.
    const std::wstring code = InstalledProductCode();
    if (!code.empty())
        RunAndWait(Msiexec() + L" /x " + code + L" /qn", 60000);
    RemoveFolderTree(folder);
    for (const std::wstring& key : ProductEntryKeys())
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kNoxRecordKey, KEY_WOW64_32KEY);
    RemoveAddinKeys();
}

void SlowDownScript(const std::wstring& script, DWORD ms, const std::wstring& scratchFolder,
                    const std::string& firstLines)
{
    std::string work;
    for (const std::string& line : ReadLines(script))
        work += line + "\r\n";
    const std::wstring recorder = scratchFolder + L"\\Recorder.exe";
    CopyFileW((BinFolder() + L"\\Recorder.exe").c_str(), recorder.c_str(), FALSE);
    WriteFileText(script, "@echo off\r\n" + firstLines + "\"" + Narrow(recorder) + "\" --sleep-ms " +
                              std::to_string(ms) + "\r\n" + work);
}

#include "ProductSetup.h"
#include "AddinKeys.h"
#include "TestSupport.h"

namespace {

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

std::wstring SetupProgram()
{
    return BinFolder() + L"\\NOX-setup.exe";
}

std::wstring PreviousSetupProgram()
{
    return BinFolder() + L"\\NOX-setup-previous.exe";
}

bool SetupBuilt()
{
    return FileExists(SetupProgram()) && FileExists(PreviousSetupProgram());
}

std::wstring ProductFolder()
{
    return ProgramFilesFolder(false) + L"\\NOX";
}

DWORD RunSetupSilently(const std::wstring& setup, const std::wstring& arguments, DWORD timeoutMs)
{
    ChildProcess process(L"\"" + setup + L"\" /S" + (arguments.empty() ? L"" : L" " + arguments));
    return process.WaitExit(timeoutMs) ? process.ExitCode() : STILL_ACTIVE;
}

std::wstring ProductEntryValue(const wchar_t* name)
{
    Tree entry = Snapshot(HKEY_LOCAL_MACHINE, kProductUninstallKey, KEY_WOW64_32KEY);
    auto value = entry.find(std::wstring(L"[") + name + L"]");
    if (value == entry.end() || value->second.compare(0, 3, L"sz:") != 0)
        return L"";
    return value->second.substr(3);
}

UninstallerRun UninstallProduct(const DriveOptions& options)
{
    // "<path>" /S: the uninstaller's path is the quoted part.
    std::wstring command = ProductEntryValue(L"QuietUninstallString");
    size_t close = command.find(L'"', 1);
    if (command.empty() || command[0] != L'"' || close == std::wstring::npos)
        return UninstallerRun();
    std::wstring uninstaller = command.substr(1, close - 1);
    std::wstring arguments = command.substr(close + 1);
    std::wstring folder = FolderOfPathText(uninstaller);

    ScratchFolder copy(L"uninstaller");
    CopyFileW(uninstaller.c_str(), (copy / L"uninst.exe").c_str(), FALSE);
    return DriveUninstallerStartedBy(L"\"" + (copy / L"uninst.exe") + L"\"" + arguments + L" _?=" + folder,
                                     folder + L"\\Uninstaller.exe", options);
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
    if (KeyExists(HKEY_LOCAL_MACHINE, kProductUninstallKey, KEY_WOW64_32KEY))
        add("the product's entry among the installed programs");
    if (KeyExists(HKEY_CURRENT_USER, kNoxRecordKey))
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
    RemoveFolderTree(folder);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kProductUninstallKey, KEY_WOW64_32KEY);
    DeleteRegistryTree(HKEY_CURRENT_USER, kNoxRecordKey);
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

// The kit's main job: plays the product's whole life in this Wine prefix with
// the real deliverables and the stand-ins, and reports each step.
//   1. install:   Register.exe has NOX.dll registered; Outlook shows its bar
//   2. uninstall: Uninstaller.exe closes Outlook, restarts it so that
//                 uninstall.dll deletes the bar, closes it, and ends
//   3. a caller outside the kit asks Pelmor.dll for the MAPI profile name
// Exits non-zero when a step did not happen as it should.
//
//   KitDemo.exe [--manual] [--screenshots FOLDER]
//   --manual       leave the notices and closing Outlook to a person
//   --screenshots  save the sequencer's window and both notices as BMP files
#include "MapiStandIn.h"
#include "Screenshot.h"
#include "SequenceDriver.h"
#include "TestSupport.h"
#include <shlobj.h>
#include <cstdio>

namespace {

const wchar_t kAddinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\UninstallDll.Connect";
const wchar_t* const kOurClassKeys[] = {
    L"Software\\Classes\\CLSID\\{0B467E24-3081-45BE-BD2E-B134E73C87E9}",
    L"Software\\Classes\\UninstallDll.Connect",
    L"Software\\Classes\\TypeLib\\{42A16CBD-E568-4F8F-9382-E3912DAB246D}",
    L"Software\\Classes\\Interface\\{DBF124D5-EC3D-4609-8E5F-991D3802BD23}",
};

DWORD g_start = GetTickCount();
int g_failures = 0;

void Say(const std::string& text)
{
    std::printf("[%6.2f s] %s\n", (GetTickCount() - g_start) / 1000.0, text.c_str());
    std::fflush(stdout);
}

void Check(bool condition, const std::string& what)
{
    if (!condition) {
        ++g_failures;
        Say("FAILED: " + what);
    }
}

std::string Bars(const std::wstring& file)
{
    std::string bars;
    for (const std::string& line : ReadLines(file))
        bars += (bars.empty() ? "\"" : ", \"") + line + "\"";
    return "[" + bars + "]";
}

std::string AddinEntry()
{
    Tree entry = Snapshot(HKEY_CURRENT_USER, kAddinKey);
    if (entry.empty())
        return "absent";
    return "FriendlyName=" + Narrow(entry[L"[FriendlyName]"].substr(3)) + ", Description=" +
           Narrow(entry[L"[Description]"].substr(3)) + ", LoadBehavior=" + Narrow(entry[L"[LoadBehavior]"].substr(6));
}

bool AnyKeyOfOursLeft()
{
    bool left = KeyExists(HKEY_CURRENT_USER, kAddinKey);
    for (const wchar_t* key : kOurClassKeys)
        left = left || KeyExists(HKEY_LOCAL_MACHINE, key);
    return left;
}

std::vector<LogLine> Events(const std::wstring& log, const std::string& event)
{
    std::vector<LogLine> found;
    for (const LogLine& line : ReadLog(log))
        if (line.event == event)
            found.push_back(line);
    return found;
}

void Copy(const std::wstring& from, const std::wstring& to)
{
    Check(CopyFileW(from.c_str(), to.c_str(), FALSE) != 0, "copy " + Narrow(from) + " to " + Narrow(to));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    bool manual = false;
    std::wstring screenshots;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--manual")
            manual = true;
        else if (std::wstring(argv[i]) == L"--screenshots" && i + 1 < argc)
            screenshots = argv[++i];
    }
    auto shoot = [&](HWND window, const wchar_t* name) {
        if (!screenshots.empty() && SaveWindowImage(window, screenshots + L"\\" + name))
            Say("screenshot " + Narrow(name));
    };

    // The product's folder has a space in its name, as under Program Files.
    wchar_t programFiles[MAX_PATH];
    GetEnvironmentVariableW(L"ProgramFiles", programFiles, MAX_PATH);
    const std::wstring kit = std::wstring(programFiles) + L"\\NOX";
    const std::wstring office = std::wstring(programFiles) + L"\\Microsoft Office\\Office";
    const std::wstring outlookExe = office + L"\\OUTLOOK.EXE";
    const std::wstring outlookLog = office + L"\\OUTLOOK.log";
    const std::wstring barsFile = office + L"\\CommandBars.txt";
    RemoveFolderTree(kit);
    RemoveFolderTree(std::wstring(programFiles) + L"\\Microsoft Office");
    SHCreateDirectoryExW(nullptr, kit.c_str(), nullptr);
    SHCreateDirectoryExW(nullptr, office.c_str(), nullptr);
    const std::wstring bin = BinFolder();
    for (const wchar_t* file : {L"Register.exe", L"Uninstaller.exe", L"uninstall.dll", L"Pelmor.dll",
                                L"UninstRegister.bat", L"UninstUnregister.bat", L"NOX.dll"})
        Copy(bin + L"\\" + file, kit + L"\\" + file);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    Copy(std::wstring(system) + L"\\regsvr32.exe", kit + L"\\regsvr32.exe");
    Copy(bin + L"\\OutlookStandIn.exe", outlookExe);
    HANDLE bars = CreateFileW(barsFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(bars, "Standard\r\nAdvanced\r\nWeb\r\n", 25, &written, nullptr);
    CloseHandle(bars);
    ScopedRegistryString appPaths(HKEY_LOCAL_MACHINE, kOutlookAppPathKey, L"", outlookExe);
    Say("kit installed in \"" + Narrow(kit) + "\"; App Paths names \"" + Narrow(outlookExe) + "\"");
    Say("Outlook's command bars: " + Bars(barsFile));

    // 1. Install.
    Say("== install: Register.exe");
    ChildProcess registrar(L"\"" + kit + L"\\Register.exe\"");
    Check(registrar.WaitExit(5000) && registrar.ExitCode() == 0, "Register.exe ended by itself");
    Say("Register.exe ended, exit code " + std::to_string(registrar.ExitCode()));
    bool barAdded = WaitUntil([&] { return Bars(barsFile).find("\"NOX Toolbar\"") != std::string::npos; }, 15000);
    Check(barAdded, "regsvr32 registered NOX.dll, which added its command bar");
    Say("NOX.dll registered by regsvr32; Outlook's command bars: " + Bars(barsFile));
    ChildProcess firstOutlook(L"\"" + outlookExe + L"\"");
    WaitUntil([&] { return !Events(outlookLog, "bars").empty(); }, 10000);
    Say("the user starts Outlook (pid " + std::to_string(firstOutlook.Pid()) + "); it shows " +
        (Events(outlookLog, "bars").empty() ? std::string("nothing") : Events(outlookLog, "bars")[0].detail));

    // 2. Uninstall.
    Say("== uninstall: Uninstaller.exe; add-in entry: " + AddinEntry());
    DriveOptions options;
    options.dismissNotices = !manual;
    options.timeoutMs = manual ? 600000 : 60000;
    options.onMainWindow = [&](HWND window) {
        Say("window \"Pre-Uninstall\" shown");
        Sleep(300); // let it paint
        shoot(window, L"2-window.bmp");
    };
    options.beforeDismiss = [&](size_t index, HWND box) {
        Say("notice: [" + Narrow(WindowText(box)) + "] \"" + Narrow(MessageBoxText(box)) + "\"");
        shoot(box, index == 0 ? L"1-first-notice.bmp" : L"3-second-notice.bmp");
        if (index == 0) {
            WaitUntil([&] { return KeyExists(HKEY_CURRENT_USER, kAddinKey); }, 15000);
            Say("UninstRegister.bat registered the add-in: " + AddinEntry());
            return;
        }
        // The user lets Outlook finish starting, then closes it, then presses OK.
        bool loaded = WaitUntil([&] {
            for (const LogLine& line : Events(outlookLog, "addin"))
                if (line.detail.find("OnStartupComplete") != std::string::npos)
                    return true;
            return false;
        }, 15000);
        Check(loaded, "the restarted Outlook loaded the add-in");
        std::vector<LogLine> starts = Events(outlookLog, "started");
        Say("Outlook restarted (pid " + std::to_string(starts.back().pid) + ") and loaded UninstallDll.Connect");
        if (manual)
            return;
        HANDLE outlook = OpenProcess(SYNCHRONIZE, FALSE, starts.back().pid);
        for (HWND window : WindowsOfProcess(starts.back().pid, true))
            PostMessageW(window, WM_CLOSE, 0, 0);
        if (outlook) {
            WaitForSingleObject(outlook, 10000);
            CloseHandle(outlook);
        }
        Say("the user closed Outlook; command bars now " + Bars(barsFile) + "; add-in entry: " + AddinEntry());
    };
    UninstallerRun run = DriveUninstaller(kit + L"\\Uninstaller.exe", options);
    Say("Uninstaller.exe ended by itself: " + std::string(run.exited ? "yes" : "no") + ", exit code " +
        std::to_string(run.exitCode));
    Check(run.exited && run.exitCode == 0, "Uninstaller.exe ended by itself with exit code 0");
    Check(run.notices.size() == 2, "two notices were shown");
    std::vector<LogLine> closes = Events(outlookLog, "close-received");
    Check(!closes.empty() && closes[0].pid == firstOutlook.Pid(), "the running Outlook was asked to close");
    bool unregistered = WaitUntil([&] { return !AnyKeyOfOursLeft(); }, 15000);
    Say("UninstUnregister.bat unregistered the add-in: add-in entry " + AddinEntry());
    Check(unregistered, "no key of uninstall.dll is left");
    int connections = 0;
    for (const LogLine& line : Events(outlookLog, "addin"))
        connections += line.detail == "UninstallDll.Connect OnConnection 0x00000000";
    Check(connections == 1, "the add-in was loaded exactly once");
    Check(Bars(barsFile) == "[\"Standard\", \"Advanced\", \"Web\"]", "only the NOX bar was deleted");
    Say("Outlook's command bars after: " + Bars(barsFile));

    // 3. A caller outside the kit.
    Say("== Pelmor.dll: a caller outside the kit asks for the profile name");
    HMODULE mapi = LoadLibraryW(L"MAPI32.DLL");
    auto configure = reinterpret_cast<StandInConfigureFn>(reinterpret_cast<void*>(GetProcAddress(mapi, "StandInConfigure")));
    if (configure)
        configure(MapiScenario::Session, "NOX Demo Profile");
    HMODULE pelmor = LoadLibraryW((kit + L"\\Pelmor.dll").c_str());
    auto getPelmors = reinterpret_cast<int(__stdcall*)(char*)>(reinterpret_cast<void*>(GetProcAddress(pelmor, "GetPelmors")));
    char profile[65] = "";
    int result = getPelmors ? getPelmors(profile) : -1;
    Say("GetPelmors returned " + std::to_string(result) + ", profile \"" + profile + "\" (played by the MAPI stand-in)");
    Check(result == 1 && std::string(profile) == "NOX Demo Profile", "Pelmor.dll gave the profile name");
    FreeLibrary(pelmor);
    FreeLibrary(mapi);

    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\NoxKitTests\\NoxStandIn");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\NoxKitTests");
    RemoveFolderTree(kit);
    RemoveFolderTree(std::wstring(programFiles) + L"\\Microsoft Office");
    Say(g_failures ? std::to_string(g_failures) + " step(s) did not happen as they should."
                   : "The kit's whole life played as it should.");
    return g_failures ? 1 : 0;
}

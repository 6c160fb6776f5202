// The kit's main job: plays the product's whole life in this Wine prefix with
// the real deliverables and the stand-ins, and reports each step. The life is
// played once for each Outlook asked for, 32-bit and 64-bit, through the
// product's sample setup (NOX-setup.exe) where it was built, and once more
// through NOX.msi with the 64-bit Outlook:
//   1. install:   a deployment tool runs the setup silently; it installs the
//                 product and the kit and runs Register.exe, which has NOX.dll
//                 registered; Outlook shows its bar
//   2. uninstall: the user removes NOX from the list of installed programs;
//                 the product's uninstaller runs Uninstaller.exe, which
//                 closes Outlook, restarts it so that the flavour of
//                 uninstall.dll that Outlook loads deletes the bar, closes it,
//                 and ends; then nothing of the kit or the product is left,
//                 no file and no key of the add-in in either registry view;
//                 through the MSI, an unattended removal ends by itself too
//   3. a caller outside the kit asks Pelmor.dll for the MAPI profile name
// Without the setup, the kit's files are copied as the setup would copy
// them, and Register.exe and Uninstaller.exe are started directly.
// Each run first clears what an earlier, interrupted run may have left.
// Exits non-zero when a step did not happen as it should, or did not end
// within its time.
//
//   KitDemo.exe [--manual] [--screenshots FOLDER] [--outlook 32|64|both]
//               [--leftovers] [--slow-registration MS]
//   --manual             leave the notices and closing Outlook to a person
//   --screenshots        save the sequencer's window and both notices as BMP files
//   --outlook            which Outlook the life is played against (default both)
//   --leftovers          first leave behind what an interrupted run leaves: the
//                        add-in entry, a running Outlook, files in the folders
//   --slow-registration  the add-in's registration writes its entry in two
//                        steps, MS apart
//   --pelmor-only TICK   only step 3, as a caller of this program's bitness,
//                        its times said from the main job's start at TICK
#include "KitDemoReport.h"
#include "MapiStandIn.h"
#include "ProductSetup.h"
#include "Screenshot.h"
#include "SequenceDriver.h"
#include "TestSupport.h"
#include <shlobj.h>
#include <cstdlib>

namespace {

struct Options {
    bool manual = false;
    std::wstring screenshots;
    bool outlook32 = true;
    bool outlook64 = true;
    bool leftovers = false;
    DWORD slowRegistrationMs = 0;
    bool pelmorOnly = false;
};

// Where the product and Outlook are installed for one life.
struct Machine {
    std::wstring kit;          // the product's folder, as under Program Files
    std::wstring office;       // Outlook's folder
    std::wstring outlookExe;
    std::wstring outlookLog;
    std::wstring barsFile;
    bool outlook64 = false;
    bool throughSetup = false; // installed and uninstalled by a sample setup
    Package package = Package::Nsis;
};

Machine MachineFor(bool outlook64, Package package = Package::Nsis)
{
    Machine machine;
    machine.outlook64 = outlook64;
    machine.package = package;
    machine.throughSetup = PackageBuilt(package);
    machine.kit = ProductFolder();
    machine.office = ProgramFilesFolder(outlook64) + L"\\Microsoft Office\\Office";
    machine.outlookExe = machine.office + L"\\OUTLOOK.EXE";
    machine.outlookLog = machine.office + L"\\OUTLOOK.log";
    machine.barsFile = machine.office + L"\\CommandBars.txt";
    return machine;
}

// "...\Microsoft Office", which the life makes and removes whole; never
// Program Files itself.
std::wstring OfficeRoot(const Machine& machine)
{
    return FolderOfPathText(machine.office);
}

void Copy(const std::wstring& from, const std::wstring& to)
{
    Check(CopyFileW(from.c_str(), to.c_str(), FALSE) != 0, "copy " + Narrow(from) + " to " + Narrow(to));
}

// What an interrupted run leaves: the add-in's entry, asking to be loaded,
// an Outlook still running, and files in the product's and Outlook's folders.
void LeaveWhatAnInterruptedRunLeaves(const Machine& machine)
{
    Say("leaving behind what an interrupted run leaves");
    SHCreateDirectoryExW(nullptr, machine.kit.c_str(), nullptr);
    SHCreateDirectoryExW(nullptr, machine.office.c_str(), nullptr);
    WriteFileText(machine.kit + L"\\leftover.txt", "from an earlier run\r\n");
    SetRegistryString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NOX",
                      L"DisplayName", L"NOX", KEY_WOW64_32KEY);
    SetRegistryString(HKEY_CURRENT_USER, kAddinKey, L"FriendlyName", L"NOX Uninstall");
    DWORD loadAtNextStart = 16;
    RegSetKeyValueW(HKEY_CURRENT_USER, kAddinKey, L"LoadBehavior", REG_DWORD, &loadAtNextStart, sizeof(DWORD));
    Copy(FlavourBinFolder(machine.outlook64) + L"\\OutlookStandIn.exe", machine.outlookExe);
    SetRegistryString(HKEY_LOCAL_MACHINE, kOutlookAppPathKey, L"", machine.outlookExe,
                      machine.outlook64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    ChildProcess stray(L"\"" + machine.outlookExe + L"\"");
    WaitUntil([&] { return !WindowsOfProcess(stray.Pid(), true).empty(); }, 10000);
    stray.Detach(); // it outlives this step, as it would an interrupted run
}

constexpr REGSAM kBothViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};

// True when App Paths, in this registry view, names the life's Outlook.
bool AppPathsNames(const Machine& machine, REGSAM view)
{
    return Snapshot(HKEY_LOCAL_MACHINE, kOutlookAppPathKey, view)[L"[]"] == L"sz:" + machine.outlookExe;
}

// What an earlier run may have left besides the product: an App Paths entry
// naming one of the life's Outlooks, in either view, and Outlook's folders.
std::string LeftoversOfTheLife(const std::vector<Machine>& machines)
{
    std::string left = ProductLeftovers();
    auto add = [&](const std::string& what) { left += (left.empty() ? "" : ", ") + what; };
    for (const Machine& machine : machines) {
        for (REGSAM view : kBothViews) {
            if (AppPathsNames(machine, view))
                add(std::string("an App Paths entry (") + (view == KEY_WOW64_64KEY ? "64" : "32") +
                    "-bit view) naming \"" + Narrow(machine.outlookExe) + "\"");
        }
        if (GetFileAttributesW(OfficeRoot(machine).c_str()) != INVALID_FILE_ATTRIBUTES)
            add("folder \"" + Narrow(OfficeRoot(machine)) + "\"");
    }
    return left;
}

// A known state, whatever an earlier run left: no Outlook or kit program
// running from the folders the life uses, no files there, no key of the
// add-in, the product or the stand-ins in either registry view.
void StartFromAKnownState(const std::vector<Machine>& machines)
{
    for (const Machine& machine : machines) {
        for (const std::wstring& folder : {machine.kit, machine.office})
            Say("ended " + std::to_string(EndProcessesRunningFrom(folder)) + " program(s) left running from \"" +
                Narrow(folder) + "\"");
    }
    std::string found = LeftoversOfTheLife(machines);
    Say("left by an earlier run: " + (found.empty() ? std::string("nothing") : found));
    for (const Machine& machine : machines) {
        RemoveFolderTree(machine.kit);
        RemoveFolderTree(OfficeRoot(machine));
    }
    RemoveProduct();
    DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\NoxKitTests");
    // An App Paths entry an interrupted run left names an Outlook it removed.
    for (REGSAM view : kBothViews) {
        for (const Machine& machine : machines) {
            if (AppPathsNames(machine, view))
                DeleteRegistryTree(HKEY_LOCAL_MACHINE, kOutlookAppPathKey, view);
        }
    }
    std::string left = LeftoversOfTheLife(machines);
    Check(left.empty(), "nothing of an earlier run is left" + (left.empty() ? std::string() : ": " + left));
}

// The user's Outlook, with its command bars, before the product comes.
void InstallOutlook(const Machine& machine)
{
    SHCreateDirectoryExW(nullptr, machine.office.c_str(), nullptr);
    Copy(FlavourBinFolder(machine.outlook64) + L"\\OutlookStandIn.exe", machine.outlookExe);
    WriteFileText(machine.barsFile, "Standard\r\nAdvanced\r\nWeb\r\n");
}

// What the setup installs, where it was not built: the kit's files copied.
void CopyTheKit(const Machine& machine)
{
    SHCreateDirectoryExW(nullptr, machine.kit.c_str(), nullptr);
    SHCreateDirectoryExW(nullptr, (machine.kit + L"\\x64").c_str(), nullptr);
    const std::wstring programs = BinFolder();
    for (const wchar_t* file : {L"Register.exe", L"Uninstaller.exe", L"UninstRegister.bat", L"UninstUnregister.bat",
                                L"NOX.dll"})
        Copy(programs + L"\\" + file, machine.kit + L"\\" + file);
    for (bool x64 : {false, true}) {
        const std::wstring to = x64 ? machine.kit + L"\\x64\\" : machine.kit + L"\\";
        for (const wchar_t* file : {L"uninstall.dll", L"Pelmor.dll"})
            Copy(FlavourBinFolder(x64) + L"\\" + file, to + file);
    }
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    Copy(std::wstring(system) + L"\\regsvr32.exe", machine.kit + L"\\regsvr32.exe");
}

// Registration that writes the add-in's entry in two steps, `ms` apart, as a
// slow machine might: the first value, then the whole registration.
void SlowTheRegistration(const Machine& machine, DWORD ms)
{
    SlowDownScript(machine.kit + L"\\UninstRegister.bat", ms, machine.office,
                   "reg add \"HKCU\\" + Narrow(kAddinKey) + "\" /v FriendlyName /t REG_SZ /d \"NOX Uninstall\" /f >nul\r\n");
    Say("the add-in's registration will linger " + std::to_string(ms) + " ms before writing its last values");
}

void PlayLife(const Options& options, const Machine& machine)
{
    const bool outlook64 = machine.outlook64;
    const std::string which = outlook64 ? "64-bit" : "32-bit";
    auto shoot = [&](HWND window, const std::wstring& name) {
        if (!options.screenshots.empty() && SaveWindowImage(window, options.screenshots + L"\\" + name))
            Say("screenshot " + Narrow(name));
    };
    const bool msi = machine.package == Package::Msi;
    const std::wstring shotPrefix = std::wstring(msi ? L"msi-" : L"") + (outlook64 ? L"outlook64-" : L"outlook32-");
    const std::string setupName = PackageName(machine.package);

    Step step("a " + which + " Outlook on the machine", 30000);
    InstallOutlook(machine);
    // A 64-bit Outlook's installer writes App Paths in the 64-bit view.
    ScopedRegistryString appPaths(HKEY_LOCAL_MACHINE, kOutlookAppPathKey, L"", machine.outlookExe,
                                  outlook64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    Say("== the life with a " + which + " Outlook, \"" + Narrow(machine.outlookExe) + "\"; the kit in \"" +
        Narrow(machine.kit) + "\"");
    Say("Outlook's command bars: " + Bars(machine.barsFile));

    if (machine.throughSetup) {
        const std::string how = msi ? "msiexec /i \"" + Narrow(PackageFile(machine.package)) + "\" /qn"
                                    : "\"" + Narrow(PackageFile(machine.package)) + "\" /S";
        step.Next("install: " + how, 90000);
        Say("a deployment tool runs " + how);
        DWORD code = InstallSilently(machine.package);
        Check(code == 0, setupName + " installed the product (exit code " + std::to_string(code) + ")");
        std::string files;
        for (const std::wstring& file : FilesBelow(machine.kit))
            files += (files.empty() ? "" : " ") + Narrow(file);
        Say("installed in \"" + Narrow(machine.kit) + "\": " + files);
        Say("listed among the installed programs as \"" + Narrow(ProductEntryValue(L"DisplayName")) + "\" " +
            Narrow(ProductEntryValue(L"DisplayVersion")) + " by \"" + Narrow(ProductEntryValue(L"Publisher")) +
            "\", uninstalled by " + Narrow(ProductEntryValue(L"UninstallString")));
        Check(GetFileAttributesW((machine.kit + L"\\x64\\uninstall.dll").c_str()) != INVALID_FILE_ATTRIBUTES,
              "the setup installed both flavours of uninstall.dll");
        Say(setupName + " ran Register.exe");
    } else {
        step.Next("install: the kit's files copied, then Register.exe", 30000);
        Say("NOX-setup.exe was not built (makensis is missing): the kit's files are copied instead");
        CopyTheKit(machine);
        ChildProcess registrar(L"\"" + machine.kit + L"\\Register.exe\"");
        Check(registrar.WaitExit(10000) && registrar.ExitCode() == 0, "Register.exe ended by itself");
        Say("Register.exe ended, exit code " + std::to_string(registrar.ExitCode()));
    }
    if (options.slowRegistrationMs)
        SlowTheRegistration(machine, options.slowRegistrationMs);
    bool barAdded = WaitUntil([&] { return Bars(machine.barsFile).find("\"NOX Toolbar\"") != std::string::npos; }, 15000);
    Check(barAdded, "regsvr32 registered NOX.dll, which added its command bar");
    Say("NOX.dll registered by regsvr32; Outlook's command bars: " + Bars(machine.barsFile));

    step.Next("the user starts Outlook", 20000);
    ChildProcess firstOutlook(L"\"" + machine.outlookExe + L"\"");
    WaitUntil([&] { return !Events(machine.outlookLog, "bars").empty(); }, 10000);
    std::vector<LogLine> shown = Events(machine.outlookLog, "bars");
    Say("the user starts the " + which + " Outlook (pid " + std::to_string(firstOutlook.Pid()) + "); it shows " +
        (shown.empty() ? std::string("nothing") : shown[0].detail));

    step.Next(machine.throughSetup ? "uninstall: the product's uninstaller runs Uninstaller.exe"
                                   : "uninstall: Uninstaller.exe",
              options.manual ? 0 : 90000);
    Say("add-in entry before the uninstall: " + AddinEntryText());
    Check(!KeyExists(HKEY_CURRENT_USER, kAddinKey), "no add-in entry before the uninstall");
    DriveOptions drive;
    drive.dismissNotices = !options.manual;
    drive.timeoutMs = options.manual ? 600000 : 60000;
    drive.onMainWindow = [&](HWND window) {
        Say("window \"" + Narrow(WindowText(window)) + "\" shown");
        Sleep(300); // let it paint
        shoot(window, shotPrefix + L"2-window.bmp");
    };
    drive.beforeDismiss = [&](size_t index, HWND box) {
        Say("notice: [" + Narrow(WindowText(box)) + "] \"" + Narrow(MessageBoxText(box)) + "\"");
        Sleep(300); // let it paint its text
        shoot(box, shotPrefix + (index == 0 ? L"1-first-notice.bmp" : L"3-second-notice.bmp"));
        if (index == 0) {
            // The entry is complete once its last value is there.
            bool registered = WaitUntil([] { return AddinEntryComplete(); }, 20000);
            Check(registered, "UninstRegister.bat registered the add-in");
            Say("UninstRegister.bat registered the add-in: " + AddinEntryText());
            return;
        }
        // The user lets Outlook finish starting, then closes it, then presses OK.
        DWORD restarted = WaitForOutlookStartup(machine.outlookLog, 15000);
        const bool loaded = restarted != 0;
        Check(loaded, "the restarted " + which + " Outlook loaded the add-in");
        std::vector<LogLine> starts = Events(machine.outlookLog, "started");
        if (!restarted && !starts.empty())
            restarted = starts.back().pid;
        Say("Outlook restarted (pid " + std::to_string(restarted) + ")" +
            (loaded ? " and loaded UninstallDll.Connect" : ", without loading the add-in"));
        if (options.manual || !restarted)
            return;
        CloseAsUser(restarted);
        Say("the user closed Outlook; command bars now " + Bars(machine.barsFile) + "; add-in entry: " +
            AddinEntryText());
    };
    UninstallerRun run;
    if (machine.throughSetup) {
        Say("the user uninstalls NOX from the list of installed programs: " +
            Narrow(ProductEntryValue(L"UninstallString")));
        run = UninstallAsUser(drive);
    } else {
        run = DriveUninstaller(machine.kit + L"\\Uninstaller.exe", drive);
    }
    Say("Uninstaller.exe ended by itself: " + std::string(run.exited ? "yes" : "no") + ", exit code " +
        std::to_string(run.exitCode));
    Check(run.exited && run.exitCode == 0, "Uninstaller.exe ended by itself with exit code 0");
    Check(run.notices.size() == 2, "two notices were shown");
    std::vector<LogLine> closes = Events(machine.outlookLog, "close-received");
    Check(!closes.empty() && closes[0].pid == firstOutlook.Pid(), "the running Outlook was asked to close");

    if (machine.throughSetup) {
        step.Next("the product's uninstaller ends", 60000);
        Check(run.launcherExited && run.launcherExitCode == 0,
              "the product's uninstaller ended by itself with exit code 0");
        Say("the product's uninstaller ended " + std::to_string(static_cast<LONG>(run.launcherExitTick - run.exitTick)) +
            " ms after Uninstaller.exe, exit code " + std::to_string(run.launcherExitCode));
        std::string left = ProductLeftovers();
        Say("left of the kit and the product: " + (left.empty() ? std::string("nothing") : left));
        Check(left.empty(), "nothing of the kit or the product is left: no file, no key in either registry view");
    } else {
        step.Next("UninstUnregister.bat", 30000);
        bool unregistered = WaitUntil([] { return AddinKeysLeft().empty(); }, 20000);
        Say("UninstUnregister.bat unregistered the add-in: add-in entry " + AddinEntryText());
        Check(unregistered, "no key of uninstall.dll is left in either registry view (left: " + AddinKeysLeft() + ")");
    }
    int connections = 0;
    for (const LogLine& line : Events(machine.outlookLog, "addin"))
        connections += line.detail == "UninstallDll.Connect OnConnection 0x00000000";
    Check(connections == 1, "the add-in was loaded exactly once");
    Check(Bars(machine.barsFile) == "[\"Standard\", \"Advanced\", \"Web\"]", "only the NOX bar was deleted");
    Say("Outlook's command bars after: " + Bars(machine.barsFile));
    EndStandInsLeftRunning(ReadLog(machine.outlookLog));

    if (msi) {
        // A deployment tool, with nobody at the screen, never waits for one.
        step.Next("a deployment tool installs and removes NOX.msi unattended", 90000);
        DWORD code = InstallSilently(machine.package);
        Check(code == 0, "NOX.msi installed the product again (exit code " + std::to_string(code) + ")");
        DWORD started = GetTickCount();
        code = UninstallUnattended(60000);
        DWORD ms = GetTickCount() - started;
        Say("msiexec /x ... /qn ended by itself after " + std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) +
            " s, exit code " + std::to_string(code) + ", with no notice shown; Outlook's command bars: " +
            Bars(machine.barsFile));
        Check(code == 0, "the unattended removal ended by itself with exit code 0");
        std::string left = ProductLeftovers();
        Check(left.empty(), "nothing of the kit or the product is left after the unattended removal" +
                                (left.empty() ? std::string() : ": " + left));
    }

    step.Next(machine.throughSetup ? "remove Outlook" : "remove the product's files and Outlook", 20000);
    DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\NoxKitTests");
    if (!machine.throughSetup)
        RemoveFolderTree(machine.kit);
    RemoveFolderTree(OfficeRoot(machine));
}

// The sequencer's window on a 144-DPI screen, played in a scratch folder
// with scripts that do nothing: its layout scales by 1.5.
void ShowTheWindowAtHighDpi(const Options& options)
{
    Step step("the sequencer's window at 144 DPI", 60000);
    Say("== the sequencer's window on a 144-DPI screen");
    ScopedScreenDpi dpi(144);
    ScratchFolder folder(L"dpi");
    CopyFileW((BinFolder() + L"\\Uninstaller.exe").c_str(), (folder / L"Uninstaller.exe").c_str(), FALSE);
    folder.WriteText(L"UninstRegister.bat", "@exit /b 0\r\n");
    folder.WriteText(L"UninstUnregister.bat", "@exit /b 0\r\n");
    DriveOptions drive;
    drive.onMainWindow = [&](HWND window) {
        Sleep(300); // let it paint
        if (!options.screenshots.empty() && SaveWindowImage(window, options.screenshots + L"\\dpi144-window.bmp"))
            Say("screenshot dpi144-window.bmp");
    };
    UninstallerRun run = DriveUninstaller(folder / L"Uninstaller.exe", drive);
    Say("client area at 144 DPI: " + std::to_string(run.main.client.cx) + " x " + std::to_string(run.main.client.cy) +
        " px (182 x 85 at 96 DPI); label \"" + Narrow(run.main.label) + "\", " +
        std::to_string(run.main.labelSize.cx) + " x " + std::to_string(run.main.labelSize.cy) + " px");
    Check(std::abs(run.main.client.cx - 273) <= 1 && std::abs(run.main.client.cy - 128) <= 1,
          "at 144 DPI the window is 1.5 times its 96-DPI size");
    Check(run.main.labelSize.cx >= run.main.labelTextWidth, "the label's text fits on its one line");
    Check(run.exited && run.exitCode == 0, "Uninstaller.exe ended by itself");
}

// Step 3 in this process, whose bitness is the caller's.
void AskPelmor()
{
    const bool x64 = kBuiltAs64Bit;
    const std::string which = x64 ? "64-bit" : "32-bit";
    Step step("a " + which + " caller asks Pelmor.dll", 20000);
    Say("== Pelmor.dll: a " + which + " caller outside the kit asks for the profile name");
    SystemMapiStandIn standIn;
    HMODULE mapi = LoadLibraryExW(L"MAPI32.DLL", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    auto configure = reinterpret_cast<StandInConfigureFn>(reinterpret_cast<void*>(GetProcAddress(mapi, "StandInConfigure")));
    if (configure)
        configure(MapiScenario::Session, "NOX Demo Profile");
    HMODULE pelmor = LoadLibraryW((FlavourBinFolder(x64) + L"\\Pelmor.dll").c_str());
    auto getPelmors = reinterpret_cast<int(__stdcall*)(char*)>(reinterpret_cast<void*>(GetProcAddress(pelmor, "GetPelmors")));
    char profile[65] = "";
    int result = getPelmors ? getPelmors(profile) : -1;
    Say("GetPelmors returned " + std::to_string(result) + ", profile \"" + profile + "\" (played by the MAPI stand-in)");
    Check(result == 1 && std::string(profile) == "NOX Demo Profile", which + " Pelmor.dll gave the profile name");
    FreeLibrary(pelmor);
    FreeLibrary(mapi);
}

// Step 3 by the other bitness's build of this program.
void AskPelmorFromTheOtherBitness()
{
    const bool otherX64 = !kBuiltAs64Bit;
    Step step("the other bitness's caller", 30000);
    ChildProcess caller(L"\"" + FlavourBinFolder(otherX64) + L"\\KitDemo.exe\" --pelmor-only " +
                        std::to_wstring(ClockStart()));
    Check(caller.WaitExit(20000) && caller.ExitCode() == 0,
          std::string(otherX64 ? "64" : "32") + "-bit Pelmor.dll gave the profile name to its caller");
}

Options ParseOptions(int argc, wchar_t** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--manual") {
            options.manual = true;
        } else if (arg == L"--screenshots" && i + 1 < argc) {
            options.screenshots = argv[++i];
        } else if (arg == L"--outlook" && i + 1 < argc) {
            std::wstring which = argv[++i];
            options.outlook32 = which != L"64";
            options.outlook64 = which != L"32";
        } else if (arg == L"--leftovers") {
            options.leftovers = true;
        } else if (arg == L"--slow-registration" && i + 1 < argc) {
            options.slowRegistrationMs = wcstoul(argv[++i], nullptr, 10);
        } else if (arg == L"--pelmor-only" && i + 1 < argc) {
            options.pelmorOnly = true;
            StartClockAt(wcstoul(argv[++i], nullptr, 10));
        }
    }
    return options;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options = ParseOptions(argc, argv);
    if (options.pelmorOnly) {
        AskPelmor();
        return FailuresAsExitCode();
    }
    std::vector<Machine> machines;
    if (options.outlook32)
        machines.push_back(MachineFor(false));
    if (options.outlook64)
        machines.push_back(MachineFor(true));
    // One more life through the MSI, with a 64-bit Outlook.
    if (options.outlook64 && PackageBuilt(Package::Msi))
        machines.push_back(MachineFor(true, Package::Msi));
    if (!options.manual)
        StartWatchdog([machines] {
            for (const Machine& machine : machines)
                for (const std::wstring& folder : {machine.kit, machine.office})
                    EndProcessesRunningFrom(folder);
        });
    {
        Step step("start from a known state", 60000);
        if (options.leftovers)
            LeaveWhatAnInterruptedRunLeaves(machines.front());
        StartFromAKnownState(machines);
        Say("started from a known state: add-in entry " + AddinEntryText());
    }
    for (const Machine& machine : machines)
        PlayLife(options, machine);
    {
        Step step("the lives leave nothing behind", 10000);
        std::string left = LeftoversOfTheLife(machines);
        Check(left.empty(), "nothing of the lives is left" + (left.empty() ? std::string() : ": " + left));
    }
    if (!options.manual)
        ShowTheWindowAtHighDpi(options);
    AskPelmor();
    AskPelmorFromTheOtherBitness();
    return Finish();
}

// The product's two sample setups, NOX-setup.exe and NOX.msi, under this
// machine's Windows: installed as a deployment tool installs them, removed
// by the user from the list of installed programs and by a deployment tool
// with nobody to answer, upgraded and refused, each ending with the files and
// keys read back. What both must do is one table over both packages.
#include "AddinKeys.h"
#include "KitVersion.h"
#include "ProductSetup.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <algorithm>
#include <memory>

namespace {

// What each package installs: the kit, NOX.dll, the regsvr32 copy, and
// NSIS's own uninstaller.
std::vector<std::wstring> InstalledFiles(Package package)
{
    std::vector<std::wstring> files = {L"NOX.dll", L"Pelmor.dll", L"Register.exe", L"UninstRegister.bat",
                                       L"UninstUnregister.bat", L"Uninstaller.exe", L"regsvr32.exe",
                                       L"uninstall.dll", L"x64\\Pelmor.dll", L"x64\\uninstall.dll"};
    if (package == Package::Nsis)
        files.insert(files.begin() + 7, L"uninst.exe");
    return files;
}

// The version each lists: NSIS the kit's text, an MSI its three numbers.
std::wstring ListedVersion(Package package, bool previous = false)
{
    if (package == Package::Nsis)
        return previous ? L"0.9" : Widen(KIT_VERSION_TEXT);
    if (previous)
        return L"0.9.0";
    const WORD numbers[] = {KIT_VERSION_NUMBERS};
    return std::to_wstring(numbers[0]) + L"." + std::to_wstring(numbers[1]) + L"." + std::to_wstring(numbers[2]);
}

// Windows' list of files to remove at its next restart, for the length of a
// test: what the test added to it, and then the list as it was.
class PendingRenames {
public:
    PendingRenames() : before_(Read()) {}
    ~PendingRenames()
    {
        if (before_.empty()) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kKey, kValue);
            return;
        }
        std::wstring data;
        for (const std::wstring& entry : before_)
            data += entry + L'\0';
        data += L'\0';
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, kValue, REG_MULTI_SZ, data.c_str(),
                        static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    }
    // What was queued since, as plain paths: "<file>" to be deleted,
    // "<file> -> <file>" to be moved over another.
    std::vector<std::wstring> Added() const
    {
        auto plain = [](std::wstring path) {
            if (!path.empty() && path[0] == L'!') // replacing an existing file
                path.erase(0, 1);
            return path.compare(0, 4, L"\\??\\") == 0 ? path.substr(4) : path;
        };
        std::vector<std::wstring> now = Read(), added;
        for (size_t i = before_.size(); i + 1 < now.size(); i += 2)
            if (!now[i].empty())
                added.push_back(plain(now[i]) + (now[i + 1].empty() ? L"" : L" -> " + plain(now[i + 1])));
        return added;
    }

private:
    static constexpr const wchar_t* kKey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    static constexpr const wchar_t* kValue = L"PendingFileRenameOperations";
    // Source and target, in pairs; an empty target is a deletion.
    static std::vector<std::wstring> Read()
    {
        std::vector<wchar_t> data(65536);
        DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        std::vector<std::wstring> entries;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, kValue, RRF_RT_ANY, nullptr, data.data(), &size) != ERROR_SUCCESS)
            return entries;
        std::wstring all(data.data(), size / sizeof(wchar_t));
        for (size_t at = 0; at < all.size();) {
            size_t end = all.find(L'\0', at);
            if (end == std::wstring::npos)
                end = all.size();
            entries.push_back(all.substr(at, end - at));
            at = end + 1;
        }
        // Only whole pairs; the list ends in empty strings.
        while (!entries.empty() && entries.back().empty() && entries.size() % 2)
            entries.pop_back();
        return entries;
    }
    std::vector<std::wstring> before_;
};

std::wstring NoxRegisteredFrom()
{
    return StringValue(Snapshot(HKEY_LOCAL_MACHINE, kNoxRecordKey, KEY_WOW64_32KEY), L"[RegisteredFrom]");
}

bool MsiLogSays(const wchar_t* text)
{
    std::wstring log;
    for (const std::string& line : ReadLines(MsiLog()))
        log += Widen(line);
    return log.find(text) != std::wstring::npos;
}

// The icon Windows Installer keeps for the installed NOX.msi (its ARPPRODUCTICON).
std::wstring MsiProductIcon()
{
    Tree products = Snapshot(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Installer\\Products");
    std::vector<std::wstring> nox = KeysWhereStringIs(products, L"ProductName", L"NOX");
    return nox.empty() ? L"" : StringValue(products, nox.front() + L"\\[ProductIcon]");
}

class ProductSetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (Package package : {Package::Nsis, Package::Msi})
            if (PackageBuilt(package))
                packages_.push_back(package);
        if (packages_.empty())
            GTEST_SKIP() << "neither sample setup was built: " << KIT_SETUP_WHY_NOT << "; " << KIT_MSI_WHY_NOT;
        // The user's Outlook, as App Paths names it, with its command bars.
        office_ = std::make_unique<ScratchFolder>(L"office");
        office_->CopyFromBin(L"OutlookStandIn.exe", L"OUTLOOK.EXE");
        appPaths_ = std::make_unique<ScopedRegistryString>(HKEY_LOCAL_MACHINE, kOutlookAppPathKey, L"",
                                                           *office_ / L"OUTLOOK.EXE");
    }

    void TearDown() override
    {
        if (!office_)
            return;
        EndProcessesRunningFrom(office_->Path());
        RemoveProduct();
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\NoxKitTests", KEY_WOW64_32KEY);
    }

    // The packages built, NSIS only when asked for its own cases; each starts
    // from a machine without the product, and an Outlook without its bar.
    std::vector<Package> Packages(bool nsisOnly = false)
    {
        std::vector<Package> chosen;
        for (Package package : packages_)
            if (!nsisOnly || package == Package::Nsis)
                chosen.push_back(package);
        if (chosen.empty())
            SkipBecause("NOX-setup.exe was not built: " KIT_SETUP_WHY_NOT);
        return chosen;
    }
    static void SkipBecause(const char* why) { GTEST_SKIP() << why; }
    void StartAfresh()
    {
        EndProcessesRunningFrom(office_->Path());
        RemoveProduct();
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\NoxKitTests", KEY_WOW64_32KEY);
        DeleteFileW((*office_ / L"OUTLOOK.log").c_str());
        office_->WriteText(L"CommandBars.txt", "Standard\r\nAdvanced\r\n");
    }

    std::vector<std::string> Bars() const { return ReadLines(*office_ / L"CommandBars.txt"); }
    bool NoxBarShown() const
    {
        std::vector<std::string> bars = Bars();
        return std::count(bars.begin(), bars.end(), "NOX Toolbar") == 1;
    }

    // Installs and waits for what Register.exe started to have registered NOX.dll.
    void Install(Package package, bool previous = false, const std::wstring& folder = L"")
    {
        ASSERT_EQ(InstallSilently(package, previous, folder), 0u);
        const std::wstring dll = ProductFolder() + L"\\NOX.dll";
        ASSERT_TRUE(WaitUntil([&] { return NoxRegisteredFrom() == dll && NoxBarShown(); }, 20000))
            << "NOX.dll registered from \"" << Narrow(NoxRegisteredFrom()) << "\"";
        ASSERT_TRUE(WaitUntil([] { return ProcessesRunning(ProductFolder() + L"\\regsvr32.exe").empty(); }, 20000));
    }

    // The user answers both notices, the second once the restarted Outlook
    // has let the cleanup add-in remove the product's bar and been closed.
    UninstallerRun Uninstall(const std::wstring& msiForm = L"", const std::function<void()>& atFirstNotice = {},
                             HANDLE token = nullptr)
    {
        DriveOptions options;
        options.timeoutMs = 90000;
        options.launcherToken = token;
        options.beforeDismiss = [&](size_t index, HWND) {
            if (index == 0 && atFirstNotice)
                atFirstNotice();
            if (index == 1)
                if (DWORD outlook = WaitForOutlookStartup(*office_ / L"OUTLOOK.log", 20000))
                    CloseAsUser(outlook);
        };
        return UninstallAsUser(options, msiForm);
    }

    // With nobody to answer the kit's notices, an uninstall ends by itself
    // and leaves nothing of the product; the bar stays in Outlook, which
    // nobody restarted, and an MSI's log says so.
    void ExpectUnattendedUninstallLeavesNothing(Package package, const wchar_t* form, bool asSystem = false)
    {
        StartAfresh();
        Install(package);
        DWORD started = GetTickCount();
        EXPECT_EQ(UninstallUnattended(60000, form, asSystem), 0u);
        EXPECT_LT(GetTickCount() - started, 30000u);
        EXPECT_EQ(ProductLeftovers(), "");
        EXPECT_TRUE(NoxBarShown());
        EXPECT_TRUE(ReadLog(*office_ / L"OUTLOOK.log").empty()) << "Outlook was restarted";
        EXPECT_TRUE(package == Package::Nsis || MsiLogSays(L"No user to answer"));
    }

    static void ExpectUninstalledByItself(const UninstallerRun& run)
    {
        EXPECT_TRUE(run.launcherExited) << "the product's uninstaller did not end";
        EXPECT_EQ(run.launcherExitCode, 0u);
        EXPECT_TRUE(run.exited) << "Uninstaller.exe did not run to its end";
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.notices.size(), 2u);
    }

    std::vector<Package> packages_;
    std::unique_ptr<ScratchFolder> office_;
    std::unique_ptr<ScopedRegistryString> appPaths_;
};

TEST_F(ProductSetupTest, InstallsListsAndRegistersTheProductAndTheUsersUninstallLeavesNothing)
{
    for (Package package : Packages()) {
        SCOPED_TRACE(PackageName(package));
        StartAfresh();
        Install(package);
        const std::wstring folder = ProductFolder();
        EXPECT_EQ(FilesBelow(folder), InstalledFiles(package));
        EXPECT_EQ(ProductEntries(), 1);
        EXPECT_EQ(ProductEntryValue(L"DisplayName"), L"NOX");
        EXPECT_FALSE(ProductEntryValue(L"Publisher").empty());
        EXPECT_EQ(ProductEntryValue(L"DisplayVersion"), ListedVersion(package));
        EXPECT_EQ(ProductEntryValue(L"InstallLocation"), package == Package::Nsis ? folder : folder + L"\\");
        if (package == Package::Nsis) {
            EXPECT_EQ(ProductEntryValue(L"DisplayIcon"), folder + L"\\Register.exe");
            EXPECT_EQ(ProductEntryValue(L"UninstallString"), L"\"" + folder + L"\\uninst.exe\"");
            EXPECT_EQ(ProductEntryValue(L"QuietUninstallString"), L"\"" + folder + L"\\uninst.exe\" /S");
        } else {
            EXPECT_NE(MsiProductIcon().find(L"Register.ico"), std::wstring::npos);
        }
        EXPECT_EQ(AddinKeysLeft(), "") << "the cleanup add-in is registered only while the product is uninstalled";

        // The installed-programs list removes an MSI with basic UI.
        UninstallerRun run = Uninstall(L"/qb");
        ExpectUninstalledByItself(run);
        EXPECT_EQ(ProductLeftovers(), "");
        EXPECT_EQ(Bars(), (std::vector<std::string>{"Standard", "Advanced"}));
    }
}

// A deployment tool's uninstall, in every form documented as unattended.
TEST_F(ProductSetupTest, AnUnattendedUninstallEndsByItselfAndLeavesNothing)
{
    const std::pair<Package, const wchar_t*> forms[] = {
        {Package::Nsis, L"/S"}, {Package::Msi, L"/qn"}, {Package::Msi, L"/passive"}};
    std::vector<Package> built = Packages();
    for (const auto& [package, form] : forms) {
        if (std::find(built.begin(), built.end(), package) == built.end())
            continue;
        SCOPED_TRACE(std::string(PackageName(package)) + " " + Narrow(form));
        ExpectUnattendedUninstallLeavesNothing(package, form);
    }
}

// Windows only: a deployment tool's agent, running as SYSTEM, removes the
// MSI with /passive; nobody is there to answer the kit's notices.
TEST_F(ProductSetupTest, APassiveUninstallAsSystemEndsByItself)
{
    if (UnderWine())
        GTEST_SKIP() << "Windows only: Wine runs every program as its one user, none as SYSTEM";
    if (!PackageBuilt(Package::Msi))
        GTEST_SKIP() << "NOX.msi was not built: " KIT_MSI_WHY_NOT;
    ExpectUnattendedUninstallLeavesNothing(Package::Msi, L"/passive", true);
}

// An upgrade from an older package, then a repair (NSIS: the same setup
// again, into the same folder written otherwise: short names, a trailing
// separator; NSIS itself ignores a /D= with forward slashes), each leaving
// one registration and one entry.
TEST_F(ProductSetupTest, AnUpgradeAndARepairLeaveOneRegistrationAndOneEntry)
{
    for (Package package : Packages()) {
        SCOPED_TRACE(PackageName(package));
        StartAfresh();
        Install(package, true);
        EXPECT_EQ(ProductEntryValue(L"DisplayVersion"), ListedVersion(package, true));
        Install(package);
        EXPECT_EQ(ProductEntryValue(L"DisplayVersion"), ListedVersion(package));
        const std::wstring folder = ProductFolder();
        if (package == Package::Nsis) {
            wchar_t shortName[MAX_PATH] = {};
            GetShortPathNameW(folder.c_str(), shortName, MAX_PATH);
            Install(package, false, std::wstring(shortName) + L"\\");
            EXPECT_EQ(ProductEntryValue(L"InstallLocation"), folder) << "installed as " << Narrow(shortName);
        } else {
            EXPECT_EQ(RepairSilently(), 0u);
            // A rebuild of the same version replaces the installed one.
            EXPECT_EQ(InstallMsiSilently(L"NOX-rebuilt.msi"), 0u) << "a rebuild";
        }
        EXPECT_EQ(FilesBelow(folder), InstalledFiles(package));
        // A second copy elsewhere would be orphaned by either removal.
        const std::wstring elsewhere = ProgramFilesFolder(false) + L"\\NOX elsewhere";
        EXPECT_EQ(InstallSilently(package, false, elsewhere), FailedSetupCode(package)) << "a second copy";
        EXPECT_EQ(GetFileAttributesW(elsewhere.c_str()), INVALID_FILE_ATTRIBUTES);
        RemoveFolderTree(elsewhere);
        EXPECT_EQ(ProductEntries(), 1) << "the product is listed once";
        EXPECT_EQ(NoxRegisteredFrom(), folder + L"\\NOX.dll");
        EXPECT_EQ(AddinKeysLeft(), "");
    }
}

// NSIS's uninstaller removes only its own files. A file of the user's stays,
// and so does the folder that holds it. What cannot be deleted though nothing
// uses it (here a folder in an installed file's place) is left too, not
// queued for removal at restart; only a file still in use is.
TEST_F(ProductSetupTest, TheNsisUninstallerTakesOnlyItsOwnAndLeavesAFileInUseForTheRestart)
{
    for (Package package : Packages(true)) {
        StartAfresh();
        Install(package);
        const std::wstring folder = ProductFolder();
        WriteFileText(folder + L"\\notes.txt", "mine\r\n");
        const std::wstring notAFile = folder + L"\\Pelmor.dll";
        DeleteFileW(notAFile.c_str());
        ASSERT_TRUE(CreateDirectoryW(notAFile.c_str(), nullptr));
        const std::wstring inUse = folder + L"\\x64\\Pelmor.dll";
        HANDLE held = CreateFileW(inUse.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        PendingRenames pending;
        UninstallerRun run = Uninstall();
        CloseHandle(held);
        ExpectUninstalledByItself(run);
        EXPECT_EQ(pending.Added(), std::vector<std::wstring>{inUse});
        EXPECT_TRUE(RemoveDirectoryW(notAFile.c_str())) << "what stood in Pelmor.dll's place was not left";
        EXPECT_EQ(ProductLeftovers(), "file notes.txt, file x64\\Pelmor.dll, folder \"" + Narrow(folder) + "\"");
    }
}

// Uninstaller.exe ends 2.5 s after starting UninstUnregister.bat, without
// waiting for it; here the script takes 5 s. Removing uninstall.dll at once
// would leave the add-in's keys behind.
TEST_F(ProductSetupTest, UninstallLeavesNoKeyOfTheCleanupAddinWhenItsUnregistrationIsSlow)
{
    for (Package package : Packages(true)) {
        StartAfresh();
        Install(package);
        SlowDownScript(ProductFolder() + L"\\UninstUnregister.bat", 5000, office_->Path());

        UninstallerRun run = Uninstall();
        ExpectUninstalledByItself(run);
        EXPECT_EQ(ProductLeftovers(), "") << "when the product's uninstaller ended";
        EXPECT_GE(static_cast<LONG>(run.launcherExitTick - run.exitTick), 2500)
            << "the product's uninstaller did not wait for the unregistration";

        // The sequencer's own run of the script, still lingering, changes nothing.
        const std::wstring recorder = office_->Path() + L"\\Recorder.exe";
        EXPECT_TRUE(WaitUntil([&] { return ProcessesRunning(recorder).empty(); }, 20000));
        Sleep(2000);
        EXPECT_EQ(ProductLeftovers(), "");
    }
}

// Under UAC the user's own run of UninstRegister.bat cannot write the
// add-in's classes (HKLM) and so registers nothing: an MSI has the add-in
// registered for the machine, and entered among the user's add-ins, before
// its sequence starts. The script takes 5 s here, so at the first notice
// only the setup's own run can have registered it.
TEST_F(ProductSetupTest, AnMsiRegistersTheCleanupAddinBeforeTheUsersSequenceStarts)
{
    if (!PackageBuilt(Package::Msi))
        GTEST_SKIP() << "NOX.msi was not built: " KIT_MSI_WHY_NOT;
    StartAfresh();
    Install(Package::Msi);
    SlowDownScript(ProductFolder() + L"\\UninstRegister.bat", 5000, office_->Path());
    std::string atFirstNotice;
    ExpectUninstalledByItself(Uninstall(L"/qb", [&] { atFirstNotice = AddinKeysLeft(); }));
    // The user's entry and the four class keys of each flavour.
    EXPECT_EQ(std::count(atFirstNotice.begin(), atFirstNotice.end(), ','), 8) << atFirstNotice;
    EXPECT_EQ(ProductLeftovers(), "");
    EXPECT_EQ(Bars(), (std::vector<std::string>{"Standard", "Advanced"}));
}

// On Windows with UAC the list of installed programs starts the removal with
// the administrator's filtered token, and the impersonated actions (the
// sequence) run with it: Windows Installer "runs custom actions with user
// privileges by default" (Microsoft's "Custom Action Security"), and UAC
// "restricts privileges during an installation" ("Guidelines for
// Packages"). The user's Outlook must still lose its bar. Only where no
// consent box would wait for a click: UAC on, administrators elevated
// without a prompt, this test elevated.
TEST_F(ProductSetupTest, UnderUacAnUnelevatedRemovalStillRemovesTheBar)
{
    if (UnderWine())
        GTEST_SKIP() << "Windows only: Wine runs every process as an administrator, with no filtered token";
    const wchar_t policy[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    DWORD lua = 0, consent = 1, size = sizeof(DWORD);
    RegGetValueW(HKEY_LOCAL_MACHINE, policy, L"EnableLUA", RRF_RT_REG_DWORD, nullptr, &lua, &size);
    size = sizeof(DWORD);
    RegGetValueW(HKEY_LOCAL_MACHINE, policy, L"ConsentPromptBehaviorAdmin", RRF_RT_REG_DWORD, nullptr, &consent, &size);
    std::unique_ptr<void, decltype(&CloseHandle)> token(FilteredToken(), &CloseHandle);
    if (lua != 1 || consent != 0 || !IsUserAnAdmin() || !token)
        GTEST_SKIP() << "needs UAC on (EnableLUA 1), administrators elevated without a prompt "
                        "(ConsentPromptBehaviorAdmin 0) and this test run elevated";
    if (!PackageBuilt(Package::Msi))
        GTEST_SKIP() << "NOX.msi was not built: " KIT_MSI_WHY_NOT;
    StartAfresh();
    Install(Package::Msi);
    ExpectUninstalledByItself(Uninstall(L"/qb", {}, token.get()));
    EXPECT_EQ(ProductLeftovers(), "");
    EXPECT_EQ(Bars(), (std::vector<std::string>{"Standard", "Advanced"}));
}

// Windows only: a major upgrade that fails (the registration refused) rolls
// back its removal of the old version too, which runs inside its script
// (Microsoft's "RemoveExistingProducts Action"): the old version stays
// listed and registered.
TEST_F(ProductSetupTest, AFailedUpgradeLeavesTheOldVersionInstalledAndRegistered)
{
    if (UnderWine())
        GTEST_SKIP() << "Windows only: Wine's msiexec rolls back a failed first install, but no upgrade";
    if (!PackageBuilt(Package::Msi))
        GTEST_SKIP() << "NOX.msi was not built: " KIT_MSI_WHY_NOT;
    StartAfresh();
    Install(Package::Msi, true);
    ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kNoxRefusalKey, L"", L"refuse", KEY_WOW64_32KEY));
    EXPECT_EQ(InstallSilently(Package::Msi), 1603u);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kNoxRefusalKey, KEY_WOW64_32KEY);
    EXPECT_EQ(ProductEntries(), 1);
    EXPECT_EQ(ProductEntryValue(L"DisplayVersion"), ListedVersion(Package::Msi, true));
    EXPECT_EQ(NoxRegisteredFrom(), ProductFolder() + L"\\NOX.dll");
}

// Register.exe ends as soon as regsvr32 has started, with exit code 0 even
// when the registration then fails (here NOX.dll refuses it): each setup
// reads the registration back and fails when it does not come. NSIS leaves
// the product listed, so that it can be uninstalled; Windows Installer takes
// everything back. NSIS also fails over an installed product, whose
// registration it must not take for this one's, and replaces a file in use
// (NOX.dll, held by Outlook) at the next restart, saying a restart is needed
// (3010), never done.
TEST_F(ProductSetupTest, ASetupThatCouldNotDoItsWorkNeverEndsAsDone)
{
    for (Package package : Packages()) {
        SCOPED_TRACE(PackageName(package));
        StartAfresh();
        ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kNoxRefusalKey, L"", L"refuse", KEY_WOW64_32KEY));
        EXPECT_EQ(InstallSilently(package), FailedSetupCode(package));
        EXPECT_EQ(NoxRegisteredFrom(), L"");
        if (package == Package::Msi) {
            EXPECT_EQ(ProductLeftovers(), "") << "rolled back";
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, kNoxRefusalKey, KEY_WOW64_32KEY);
            // A per-machine package registers as the system: a per-user key
            // to read back is refused before anything is done.
            EXPECT_EQ(InstallMsiSilently(L"NOX-per-user.msi"), 1603u);
            EXPECT_TRUE(MsiLogSays(L"one user's key"));
            EXPECT_EQ(ProductLeftovers(), "");
            // A repair that cannot register leaves the registration as it was.
            Install(package);
            ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kNoxRefusalKey, L"", L"refuse", KEY_WOW64_32KEY));
            EXPECT_EQ(RepairSilently(), 1603u);
            EXPECT_EQ(ProductEntries(), 1);
            EXPECT_EQ(NoxRegisteredFrom(), ProductFolder() + L"\\NOX.dll");
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, kNoxRefusalKey, KEY_WOW64_32KEY);
            continue;
        }
        EXPECT_EQ(ProductEntryValue(L"UninstallString"), L"\"" + ProductFolder() + L"\\uninst.exe\"");

        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kNoxRefusalKey, KEY_WOW64_32KEY);
        Install(package);
        ASSERT_TRUE(SetRegistryString(HKEY_LOCAL_MACHINE, kNoxRefusalKey, L"", L"refuse", KEY_WOW64_32KEY));
        EXPECT_EQ(InstallSilently(package), 2u) << "over an installed product";
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kNoxRefusalKey, KEY_WOW64_32KEY);

        const std::wstring dll = ProductFolder() + L"\\NOX.dll";
        HANDLE held = CreateFileW(dll.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        PendingRenames pending;
        EXPECT_EQ(InstallSilently(package), 3010u) << "NOX.dll in use";
        CloseHandle(held);
        EXPECT_EQ(pending.Added(), std::vector<std::wstring>{dll + L".new -> " + dll});
        // Removed before that restart, the product takes its rename along.
        EXPECT_EQ(UninstallUnattended(), 0u);
        EXPECT_TRUE(pending.Added().empty()) << "a removed file would come back at the restart";
        EXPECT_EQ(ProductLeftovers(), "");
    }
}

// The kit runs elevated from the install folder: each setup takes only an
// empty folder (or the product's own) below Program Files, and writes
// nothing anywhere else. (Wine makes no junctions, which both refuse below
// Program Files.)
TEST_F(ProductSetupTest, RefusesAFolderThatIsNotEmptyOrNotBelowProgramFiles)
{
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring busy = ProgramFilesFolder(false) + L"\\NOX busy";
    const std::wstring drive = std::wstring(windows).substr(0, 2);
    // What a setup wrongly wrote there once is no proof against this one.
    RemoveFolderTree(drive + L"\\NOX");
    SHCreateDirectoryExW(nullptr, busy.c_str(), nullptr);
    WriteFileText(busy + L"\\regsvr32.exe", "someone else's\r\n");
    struct RemoveFolders {
        std::vector<std::wstring> paths;
        ~RemoveFolders()
        {
            for (const std::wstring& path : paths)
                RemoveFolderTree(path);
        }
    } removeFolders{{busy, drive + L"\\NOX"}};

    for (Package package : Packages())
        for (const std::wstring& folder : {busy, std::wstring(windows) + L"\\NOX", drive + L"\\NOX",
                                           ProgramFilesFolder(false), ProgramFilesFolder(false) + L"\\..\\NOX"}) {
            SCOPED_TRACE(std::string(PackageName(package)) + " into " + Narrow(folder));
            EXPECT_EQ(InstallSilently(package, false, folder), FailedSetupCode(package));
            EXPECT_EQ(ProductEntries(), 0);
            EXPECT_EQ(GetFileAttributesW((folder + L"\\NOX.dll").c_str()), INVALID_FILE_ATTRIBUTES);
        }
    // The MSI's own folder comes only from its registry value: one named on
    // the command line is judged like any other.
    if (PackageBuilt(Package::Msi)) {
        const std::wstring ours = L"\"" + busy + L"\"";
        EXPECT_EQ(InstallSilently(Package::Msi, false, busy, 60000,
                                  L"PREVIOUSINSTALLDIR=" + ours + L" NOXKitPreviousDir=" + ours),
                  FailedSetupCode(Package::Msi));
        EXPECT_EQ(ProductEntries(), 0);
    }
    EXPECT_EQ(FilesBelow(busy), std::vector<std::wstring>{L"regsvr32.exe"});
    EXPECT_EQ(ReadLines(busy + L"\\regsvr32.exe"), std::vector<std::string>{"someone else's"});
    EXPECT_EQ(GetFileAttributesW((drive + L"\\NOX").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Windows only: a folder below Program Files that is a junction to one
// elsewhere (a reparse point that "can redirect access to files or
// directories", Microsoft's "Reparse Points") is refused like that one.
TEST_F(ProductSetupTest, RefusesAJunctionBelowProgramFilesThatLeadsElsewhere)
{
    if (UnderWine())
        GTEST_SKIP() << "Windows only: Wine makes no junctions (its mklink /J says it failed, yet ends with 0)";
    ScratchFolder elsewhere(L"junction-target");
    const std::wstring junction = ProgramFilesFolder(false) + L"\\NOX junction";
    RemoveDirectoryW(junction.c_str());
    ChildProcess mklink(L"cmd.exe /c mklink /J \"" + junction + L"\" \"" + elsewhere.Path() + L"\"", SW_HIDE);
    ASSERT_TRUE(mklink.WaitExit(10000));
    DWORD attributes = GetFileAttributesW(junction.c_str());
    ASSERT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) << "no junction";
    for (Package package : Packages()) {
        SCOPED_TRACE(PackageName(package));
        EXPECT_EQ(InstallSilently(package, false, junction), FailedSetupCode(package));
        EXPECT_EQ(ProductEntries(), 0);
        EXPECT_TRUE(FilesBelow(elsewhere.Path()).empty());
    }
    RemoveDirectoryW(junction.c_str());
}

} // namespace

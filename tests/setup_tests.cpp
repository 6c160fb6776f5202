// The product's sample setup, NOX-setup.exe, run silently under this
// machine's Windows: install, uninstall from the list of installed programs,
// install over an installed product, and an unregistration slower than the
// sequencer's wait, each ending with the files and keys read back.
#include "AddinKeys.h"
#include "KitVersion.h"
#include "ProductSetup.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <algorithm>
#include <memory>

namespace {

const std::vector<std::wstring> kInstalledFiles = {
    L"NOX.dll",         L"Pelmor.dll",   L"Register.exe",      L"UninstRegister.bat",
    L"UninstUnregister.bat", L"Uninstaller.exe", L"regsvr32.exe", L"uninst.exe",
    L"uninstall.dll",   L"x64\\Pelmor.dll", L"x64\\uninstall.dll",
};

std::wstring NoxRegisteredFrom()
{
    std::wstring value = Snapshot(HKEY_CURRENT_USER, kNoxRecordKey)[L"[RegisteredFrom]"];
    return value.compare(0, 3, L"sz:") == 0 ? value.substr(3) : L"";
}

class ProductSetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SetupBuilt())
            GTEST_SKIP() << "NOX-setup.exe was not built: " << KIT_SETUP_WHY_NOT;
        RemoveProduct();
        // The user's Outlook, as App Paths names it, with its command bars.
        office_ = std::make_unique<ScratchFolder>(L"office");
        office_->CopyFromBin(L"OutlookStandIn.exe", L"OUTLOOK.EXE");
        office_->WriteText(L"CommandBars.txt", "Standard\r\nAdvanced\r\n");
        appPaths_ = std::make_unique<ScopedRegistryString>(HKEY_LOCAL_MACHINE, kOutlookAppPathKey, L"",
                                                           *office_ / L"OUTLOOK.EXE");
    }

    void TearDown() override
    {
        if (!office_)
            return;
        EndProcessesRunningFrom(office_->Path());
        RemoveProduct();
        DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\NoxKitTests");
    }

    std::vector<std::string> Bars() const { return ReadLines(*office_ / L"CommandBars.txt"); }
    bool NoxBarShown() const
    {
        std::vector<std::string> bars = Bars();
        return std::count(bars.begin(), bars.end(), "NOX Toolbar") == 1;
    }

    // Installs and waits for what Register.exe started to have registered NOX.dll.
    void Install(const std::wstring& setup)
    {
        ASSERT_EQ(RunSetupSilently(setup), 0u);
        const std::wstring dll = ProductFolder() + L"\\NOX.dll";
        ASSERT_TRUE(WaitUntil([&] { return NoxRegisteredFrom() == dll && NoxBarShown(); }, 20000))
            << "NOX.dll registered from \"" << Narrow(NoxRegisteredFrom()) << "\"";
        ASSERT_TRUE(WaitUntil([] { return ProcessesRunning(ProductFolder() + L"\\regsvr32.exe").empty(); }, 20000));
    }

    // The user answers both notices, the second once the restarted Outlook
    // has let the cleanup add-in remove the product's bar.
    UninstallerRun Uninstall()
    {
        DriveOptions options;
        options.timeoutMs = 90000;
        options.beforeDismiss = [&](size_t index, HWND) {
            if (index == 1)
                WaitUntil([&] { return !NoxBarShown(); }, 20000);
        };
        return UninstallProduct(options);
    }

    static void ExpectUninstalledByItself(const UninstallerRun& run)
    {
        EXPECT_TRUE(run.launcherExited) << "the product's uninstaller did not end";
        EXPECT_EQ(run.launcherExitCode, 0u);
        EXPECT_TRUE(run.exited) << "Uninstaller.exe did not run to its end";
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.notices.size(), 2u);
    }

    std::unique_ptr<ScratchFolder> office_;
    std::unique_ptr<ScopedRegistryString> appPaths_;
};

TEST_F(ProductSetupTest, InstallsListsAndRegistersTheProductAndItsUninstallLeavesNothing)
{
    Install(SetupProgram());
    const std::wstring folder = ProductFolder();
    EXPECT_EQ(FilesBelow(folder), kInstalledFiles);
    EXPECT_EQ(ProductEntryValue(L"DisplayName"), L"NOX");
    EXPECT_FALSE(ProductEntryValue(L"Publisher").empty());
    EXPECT_EQ(ProductEntryValue(L"DisplayVersion"), Widen(KIT_VERSION_TEXT));
    EXPECT_EQ(ProductEntryValue(L"InstallLocation"), folder);
    EXPECT_EQ(ProductEntryValue(L"UninstallString"), L"\"" + folder + L"\\uninst.exe\"");
    EXPECT_EQ(ProductEntryValue(L"QuietUninstallString"), L"\"" + folder + L"\\uninst.exe\" /S");
    EXPECT_EQ(AddinKeysLeft(), "") << "the cleanup add-in is registered only while the product is uninstalled";

    UninstallerRun run = Uninstall();
    ExpectUninstalledByItself(run);
    EXPECT_EQ(ProductLeftovers(), "");
    EXPECT_EQ(Bars(), (std::vector<std::string>{"Standard", "Advanced"}));
}

TEST_F(ProductSetupTest, InstallingOverAnInstalledProductLeavesOneRegistrationAndUninstallTakesOnlyItsOwn)
{
    Install(PreviousSetupProgram());
    EXPECT_EQ(ProductEntryValue(L"DisplayVersion"), L"0.9");
    // An upgrade, then the same version once more (a repair).
    Install(SetupProgram());
    EXPECT_EQ(ProductEntryValue(L"DisplayVersion"), Widen(KIT_VERSION_TEXT));
    Install(SetupProgram());
    const std::wstring folder = ProductFolder();
    EXPECT_EQ(FilesBelow(folder), kInstalledFiles);
    int entries = 0;
    for (const auto& value : Snapshot(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                                      KEY_WOW64_32KEY))
        entries += value.first.find(L"\\[DisplayName]") != std::wstring::npos && value.second == L"sz:NOX";
    EXPECT_EQ(entries, 1) << "the product is listed once";

    // A file of the user's stays, and so does the folder that holds it.
    WriteFileText(folder + L"\\notes.txt", "mine\r\n");
    UninstallerRun run = Uninstall();
    ExpectUninstalledByItself(run);
    EXPECT_EQ(ProductLeftovers(), "file notes.txt, folder \"" + Narrow(folder) + "\"");
}

// Uninstaller.exe ends 2.5 s after starting UninstUnregister.bat, without
// waiting for it; here the script takes 5 s. Removing uninstall.dll at once
// would leave the add-in's keys behind.
TEST_F(ProductSetupTest, UninstallLeavesNoKeyOfTheCleanupAddinWhenItsUnregistrationIsSlow)
{
    Install(SetupProgram());
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

// A folder where the regsvr32 copy should be: Register.exe cannot start it
// and says so in a message box, which the user closes; the setup then ends
// with a failure and leaves the product listed, so that it can be uninstalled.
TEST_F(ProductSetupTest, SetupThatCannotRegisterTheProductFailsAndLeavesItUninstallable)
{
    const std::wstring folder = ProductFolder();
    ASSERT_EQ(SHCreateDirectoryExW(nullptr, (folder + L"\\regsvr32.exe").c_str(), nullptr), ERROR_SUCCESS);

    ChildProcess setup(L"\"" + SetupProgram() + L"\" /S");
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (DWORD pid : ProcessesRunning(folder + L"\\Register.exe"))
            if ((box = FindMessageBox(pid)) != nullptr)
                return true;
        return false;
    }, 30000));
    EXPECT_NE(MessageBoxText(box).find(L"NOX.dll"), std::wstring::npos) << Narrow(MessageBoxText(box));
    DismissMessageBox(box);
    ASSERT_TRUE(setup.WaitExit(30000));
    EXPECT_EQ(setup.ExitCode(), 2u);
    EXPECT_EQ(ProductEntryValue(L"UninstallString"), L"\"" + folder + L"\\uninst.exe\"");
    EXPECT_EQ(NoxRegisteredFrom(), L"");
}

} // namespace

// Both flavours of uninstall.dll side by side on 64-bit Windows, as the kit
// ships them (uninstall.dll and x64\uninstall.dll), registered by its own
// batch files and loaded by a 32-bit and a 64-bit Outlook. Run from a 32-bit
// test program, as the sequencer that starts the batch files is 32-bit.
#include "AddinKeys.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

namespace {

const REGSAM kView32 = KEY_WOW64_32KEY;
const REGSAM kView64 = KEY_WOW64_64KEY;

class BothFlavours : public testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryW((kit_ / L"x64").c_str(), nullptr);
        for (const wchar_t* file : {L"uninstall.dll", L"UninstRegister.bat", L"UninstUnregister.bat"})
            kit_.CopyFromBin(file);
        CopyFileW((FlavourBinFolder(true) + L"\\uninstall.dll").c_str(), Dll64().c_str(), FALSE);
    }
    void TearDown() override
    {
        RunScript(L"UninstUnregister.bat");
    }

    std::wstring Dll32() const { return kit_ / L"uninstall.dll"; }
    std::wstring Dll64() const { return kit_ / L"x64\\uninstall.dll"; }

    // Runs one of the kit's batch files as the sequencer does, and waits for it.
    DWORD RunScript(const wchar_t* name) const
    {
        ChildProcess script(L"\"" + (kit_ / name) + L"\"", SW_HIDE);
        return script.WaitExit(60000) ? script.ExitCode() : STILL_ACTIVE;
    }

    // The system's 32-bit regsvr32, which hands a 64-bit DLL to the 64-bit one.
    static DWORD Regsvr32(const std::wstring& arguments, const std::wstring& dll)
    {
        ChildProcess tool(L"regsvr32.exe " + arguments + L" \"" + dll + L"\"");
        return tool.WaitExit(30000) ? tool.ExitCode() : STILL_ACTIVE;
    }

    // Starts an Outlook stand-in of one bitness over a NOX bar, closes it, and
    // returns what its add-in host logged of UninstallDll.Connect.
    std::vector<std::string> RunOutlook(bool x64) const
    {
        ScratchFolder host(x64 ? L"outlook64" : L"outlook32");
        CopyFileW((FlavourBinFolder(x64) + L"\\OutlookStandIn.exe").c_str(), (host / L"OutlookStandIn.exe").c_str(),
                  FALSE);
        host.WriteText(L"CommandBars.txt", "Standard\r\nNOX Toolbar\r\n");
        EXPECT_TRUE(RunOutlookUntilClosed(host / L"OutlookStandIn.exe"));
        std::vector<std::string> calls;
        for (const LogLine& line : ReadLog(host / L"OutlookStandIn.log"))
            if (line.event == "addin" || (line.event == "bars" && !calls.empty()))
                calls.push_back(line.event == "bars" ? "bars " + line.detail : line.detail);
        return calls;
    }

    ScratchFolder kit_{L"Program Files NOX"};
};

} // namespace

TEST_F(BothFlavours, TheBatchFilesRegisterEachInItsOwnViewAndUnregisterBoth)
{
    ASSERT_EQ(RunScript(L"UninstRegister.bat"), 0u);
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, kClassKey, kView32)[L"InprocServer32\\[]"], L"sz:" + Dll32());
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, kClassKey, kView64)[L"InprocServer32\\[]"], L"sz:" + Dll64());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kInterfaceKey, kView32));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kInterfaceKey, kView64));
    Tree typeLib = Snapshot(HKEY_LOCAL_MACHINE, kTypeLibKey);
    EXPECT_EQ(typeLib[L"1.0\\0\\win32\\[]"], L"sz:" + Dll32());
    EXPECT_EQ(typeLib[L"1.0\\0\\win64\\[]"], L"sz:" + Dll64());
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER, kAddinKey)[L"[LoadBehavior]"], L"dword:16");

    ASSERT_EQ(RunScript(L"UninstUnregister.bat"), 0u);
    EXPECT_EQ(AddinKeysLeft(), "");
}

TEST_F(BothFlavours, EachOutlookLoadsItsOwnFlavourOnceTheOtherIsUnregistered)
{
    struct Case {
        bool outlook64;
        std::wstring dllOfTheOtherFlavour;
    } cases[] = {{true, Dll32()}, {false, Dll64()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outlook64 ? "64-bit Outlook" : "32-bit Outlook");
        ASSERT_EQ(RunScript(L"UninstRegister.bat"), 0u);
        ASSERT_EQ(Regsvr32(L"/s /u", c.dllOfTheOtherFlavour), 0u);
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAddinKey)) << "the add-in entry went with the other flavour";
        Tree typeLib = Snapshot(HKEY_LOCAL_MACHINE, kTypeLibKey);
        EXPECT_EQ(typeLib.count(c.outlook64 ? L"1.0\\0\\win64\\" : L"1.0\\0\\win32\\"), 1u);
        EXPECT_EQ(typeLib.count(c.outlook64 ? L"1.0\\0\\win32\\" : L"1.0\\0\\win64\\"), 0u);

        std::vector<std::string> calls = RunOutlook(c.outlook64);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls[0], "UninstallDll.Connect OnConnection 0x00000000");
        EXPECT_EQ(calls.back(), "bars Standard") << "the NOX bar was not deleted";

        ASSERT_EQ(RunScript(L"UninstUnregister.bat"), 0u);
        EXPECT_EQ(AddinKeysLeft(), "");
    }
}

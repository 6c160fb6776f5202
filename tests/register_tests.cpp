// Register.exe: the registration command and how it is started.
#include "RegistrationCommand.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

TEST(RegistrationCommandLine, QuotesBothPathsOnlyWhenTheFolderHasASpace)
{
    struct Case {
        const wchar_t* folder;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Kit", L"C:\\Kit\\regsvr32.exe C:\\Kit\\NOX.dll /s"},
        {L"C:\\Program Files\\NOX", L"\"C:\\Program Files\\NOX\\regsvr32.exe\" \"C:\\Program Files\\NOX\\NOX.dll\" /s"},
        {L"C:", L"C:\\regsvr32.exe C:\\NOX.dll /s"},
        {L"C:\\Kit\\", L"C:\\Kit\\regsvr32.exe C:\\Kit\\NOX.dll /s"},
        {L"D:\\A B\\", L"\"D:\\A B\\regsvr32.exe\" \"D:\\A B\\NOX.dll\" /s"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(RegistrationCommandLine(c.folder).c_str(), c.expected) << Narrow(c.folder);
}

namespace {

struct RegisterRun {
    bool exited = false;
    DWORD exitCode = 0;
    DWORD exitTick = 0;
    bool windowShown = false;
};

// Runs Register.exe from the folder, watching for any window of it to show.
RegisterRun RunRegister(const ScratchFolder& folder)
{
    RegisterRun run;
    ChildProcess registrar(L"\"" + (folder / L"Register.exe") + L"\"");
    EXPECT_TRUE(registrar.Started());
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 15000) {
        if (!WindowsOfProcess(registrar.Pid(), true).empty())
            run.windowShown = true;
        if (registrar.WaitExit(2)) {
            run.exited = true;
            run.exitTick = GetTickCount();
            run.exitCode = registrar.ExitCode();
            break;
        }
    }
    return run;
}

} // namespace

TEST(Register, StartsTheToolMinimizedWithTheExactCommandNeverWaitsAndLoadsNoDllPlantedBesideIt)
{
    SetEnvironmentVariableW(L"RECORDER_SLEEP_MS", L"3000");
    for (const wchar_t* name : {L"kit", L"Program Files kit", L"κιτ ελληνικά"}) {
        ScratchFolder folder(name);
        folder.CopyFromBin(L"Register.exe");
        folder.CopyFromBin(L"Recorder.exe", L"regsvr32.exe");
        PlantedDll planted(folder.Path());
        const std::wstring& f = folder.Path();
        std::wstring expected = f.find(L' ') == std::wstring::npos
                                    ? f + L"\\regsvr32.exe " + f + L"\\NOX.dll /s"
                                    : L"\"" + f + L"\\regsvr32.exe\" \"" + f + L"\\NOX.dll\" /s";

        RegisterRun run = RunRegister(folder);
        ASSERT_TRUE(run.exited) << Narrow(name);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(run.windowShown) << "a window of Register became visible";

        std::vector<LogLine> log;
        WaitUntil([&] { log = ReadLog(folder / L"regsvr32.log"); return log.size() >= 2; }, 10000);
        ASSERT_EQ(log.size(), 2u) << Narrow(name);
        EXPECT_EQ(log[0].detail, "show=2 cmdline=" + Narrow(expected));
        EXPECT_EQ(log[1].event, "finished");
        EXPECT_LT(static_cast<LONG>(run.exitTick - log[1].tick), 0) << "Register waited for the tool";
        EXPECT_FALSE(planted.Loaded()) << "a DLL beside Register.exe was loaded";
    }
    SetEnvironmentVariableW(L"RECORDER_SLEEP_MS", nullptr);
}

TEST(Register, HasNoxDllRegisteredByWinesOwnRegsvr32)
{
    ScratchFolder folder(L"Program Files NOX");
    folder.CopyFromBin(L"Register.exe");
    folder.CopyFromBin(L"NOX.dll");
    ASSERT_TRUE(CopyFileW((SystemFolder() + L"\\regsvr32.exe").c_str(), (folder / L"regsvr32.exe").c_str(), FALSE));
    struct RemoveRecord {
        ~RemoveRecord()
        {
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\NoxKitTests", KEY_WOW64_32KEY);
        }
    } removeRecord;

    RegisterRun run = RunRegister(folder);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);

    std::wstring registeredFrom;
    WaitUntil([&] {
        wchar_t value[MAX_PATH * 2] = {};
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\NoxKitTests\\NoxStandIn", L"RegisteredFrom",
                         RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY,
                         nullptr, value, &size) == ERROR_SUCCESS)
            registeredFrom = value;
        return !registeredFrom.empty();
    }, 10000);
    EXPECT_EQ(registeredFrom, folder / L"NOX.dll");
}

TEST(Register, ReportsAMissingRegsvr32AndEndsWithoutStartingAnything)
{
    ScratchFolder folder(L"no tool");
    folder.CopyFromBin(L"Register.exe");
    ChildProcess registrar(L"\"" + (folder / L"Register.exe") + L"\"");
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(registrar.Pid())) != nullptr; }, 10000));
    EXPECT_EQ(WindowText(box), L"Register");
    std::wstring text = MessageBoxText(box);
    EXPECT_NE(text.find(folder / L"regsvr32.exe"), std::wstring::npos) << Narrow(text);
    DismissMessageBox(box);
    ASSERT_TRUE(registrar.WaitExit(5000));
    EXPECT_NE(registrar.ExitCode(), 0u);
}

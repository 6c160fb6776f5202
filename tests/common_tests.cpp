// The shared helpers: command lines, folders, launching and failure texts.
#include "AppFolder.h"
#include "FailureReport.h"
#include "Launch.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <set>

namespace {

std::vector<LogLine> WaitForLines(const std::wstring& log, const std::string& event, size_t count)
{
    std::vector<LogLine> found;
    WaitUntil([&] {
        found.clear();
        for (const LogLine& line : ReadLog(log))
            if (line.event == event)
                found.push_back(line);
        return found.size() >= count;
    }, 10000);
    return found;
}

} // namespace

TEST(CommandLine, QuotesOnlyProgramPathsWithBlanksThatAreNotQuotedYet)
{
    struct Case {
        const wchar_t* program;
        const wchar_t* arguments;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Kit\\UninstRegister.bat", nullptr, L"C:\\Kit\\UninstRegister.bat"},
        {L"C:\\Program Files\\NOX\\UninstRegister.bat", nullptr, L"\"C:\\Program Files\\NOX\\UninstRegister.bat\""},
        {L"\"C:\\Program Files\\Office\\OUTLOOK.EXE\"", nullptr, L"\"C:\\Program Files\\Office\\OUTLOOK.EXE\""},
        {L"C:\\Tab\there\\x.exe", L"", L"\"C:\\Tab\there\\x.exe\""},
        {L"C:\\Kit\\regsvr32.exe", L"C:\\Kit\\NOX.dll /s", L"C:\\Kit\\regsvr32.exe C:\\Kit\\NOX.dll /s"},
        {L"C:\\A B\\regsvr32.exe", L"\"C:\\A B\\NOX.dll\" /s", L"\"C:\\A B\\regsvr32.exe\" \"C:\\A B\\NOX.dll\" /s"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(BuildCommandLine(c.program, c.arguments).c_str(), c.expected) << Narrow(c.program);
}

TEST(AppFolder, FoldersHaveNoTrailingSeparatorAndPathsOneSeparator)
{
    EXPECT_STREQ(FolderOfPath(L"C:\\Kit\\Uninstaller.exe").c_str(), L"C:\\Kit");
    EXPECT_STREQ(FolderOfPath(L"C:\\Uninstaller.exe").c_str(), L"C:");
    EXPECT_STREQ(FolderOfPath(L"\\\\server\\share\\x.exe").c_str(), L"\\\\server\\share");
    EXPECT_STREQ(PathInFolder(L"C:", L"x.bat").c_str(), L"C:\\x.bat");
    EXPECT_STREQ(PathInFolder(L"C:\\Kit", L"x.bat").c_str(), L"C:\\Kit\\x.bat");
    EXPECT_STREQ(PathInFolder(L"C:\\Kit\\", L"x.bat").c_str(), L"C:\\Kit\\x.bat");
    EXPECT_STREQ(ApplicationFolder().c_str(), BinFolder().c_str());
}

TEST(FailureMessage, NamesTheStepTheSystemReasonAndTheCode)
{
    std::wstring text = FailureMessage(L"Could not start X.", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).c_str();
    EXPECT_EQ(text.rfind(L"Could not start X.\n\n", 0), 0u) << Narrow(text);
    EXPECT_NE(text.find(L"(error 0x80070002)"), std::wstring::npos) << Narrow(text);
    EXPECT_GT(text.size(), std::wstring(L"Could not start X.\n\n (error 0x80070002)").size()) << "no system text";
}

TEST(Launch, StartsWithTheAskedShowStateAndNeverWaits)
{
    ScratchFolder folder(L"launch ελληνικά");
    folder.CopyFromBin(L"Recorder.exe");
    std::wstring recorder = folder / L"Recorder.exe";
    const ShowState states[] = {ShowState::Hidden, ShowState::NormalWithFocus, ShowState::MinimizedWithFocus};
    for (ShowState state : states) {
        DWORD before = GetTickCount();
        ASSERT_EQ(Launch(recorder.c_str(), L"--sleep-ms 3000", state), S_OK);
        EXPECT_LT(GetTickCount() - before, 2500u) << "Launch waited for the program";
    }
    std::vector<LogLine> started = WaitForLines(folder / L"Recorder.log", "started", 3);
    ASSERT_EQ(started.size(), 3u);
    // The three start in parallel and may log in any order.
    std::multiset<std::string> shows;
    for (const LogLine& line : started)
        shows.insert(line.detail.substr(0, line.detail.find(' ')));
    EXPECT_EQ(shows, (std::multiset<std::string>{"show=0", "show=1", "show=2"}));
    WaitForLines(folder / L"Recorder.log", "finished", 3);
}

TEST(Launch, RunsABatchFileInAFolderWithASpaceAndNoPrefixOfIt)
{
    // "<outer>\Prog Files\run.bat" unquoted would first be tried as "<outer>\Prog.exe".
    ScratchFolder outer(L"trap");
    std::wstring inner = outer / L"Prog Files";
    CreateDirectoryW(inner.c_str(), nullptr);
    outer.CopyFromBin(L"Recorder.exe", L"Prog.exe");
    CopyFileW((BinFolder() + L"\\Recorder.exe").c_str(), (inner + L"\\Recorder.exe").c_str(), FALSE);
    HANDLE script = CreateFileW((inner + L"\\run.bat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const char body[] = "@\"%~dp0Recorder.exe\" from-script\r\n";
    DWORD written = 0;
    WriteFile(script, body, sizeof(body) - 1, &written, nullptr);
    CloseHandle(script);

    ASSERT_EQ(Launch((inner + L"\\run.bat").c_str(), nullptr, ShowState::Hidden), S_OK);
    std::vector<LogLine> ran = WaitForLines(inner + L"\\Recorder.log", "finished", 1);
    EXPECT_EQ(ran.size(), 1u) << "the batch file did not run";
    EXPECT_EQ(GetFileAttributesW((outer / L"Prog.log").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a prefix of the path was run as a program";
}

TEST(Launch, ReportsAProgramThatCannotStart)
{
    ScratchFolder folder(L"missing");
    HRESULT hr = Launch((folder / L"UninstRegister.bat").c_str(), nullptr, ShowState::Hidden);
    EXPECT_TRUE(hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
        << std::hex << hr;
}

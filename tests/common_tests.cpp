// The shared helpers: command lines, folders, launching, failure texts and
// handle ownership.
#include "AppFolder.h"
#include "FailureReport.h"
#include "Launch.h"
#include "Result.h"
#include "TestSupport.h"
#include "UniqueResource.h"
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
    WideText folder;
    ASSERT_EQ(ApplicationFolder(folder), S_OK);
    EXPECT_STREQ(folder.c_str(), BinFolder().c_str());
}

TEST(UniqueResource, EachHandleKindTakesItsOwnFailureValueForNone)
{
    ScratchFolder folder(L"handles");
    std::wstring path = folder / L"held.txt";
    UniqueFileHandle missing(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing) << "a failed CreateFileW was taken for a file";
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle nothingFound(FindFirstFileW((folder / L"*.none").c_str(), &found));
    EXPECT_FALSE(nothingFound);
    EXPECT_FALSE(UniqueHandle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0)));

    // Held without sharing, the file opens again only once it is closed.
    UniqueFileHandle held(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
    held.reset();
    EXPECT_TRUE(UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
}

TEST(FailureMessage, NamesTheStepTheSystemReasonAndTheCode)
{
    std::wstring text = FailureMessage(L"Could not start X.", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).c_str();
    EXPECT_EQ(text.rfind(L"Could not start X.\n\n", 0), 0u) << Narrow(text);
    EXPECT_NE(text.find(L"(error 0x80070002)"), std::wstring::npos) << Narrow(text);
    EXPECT_GT(text.size(), std::wstring(L"Could not start X.\n\n (error 0x80070002)").size()) << "no system text";

    // However a translation writes it: long, without the code's place, or
    // with other % sequences, which must not be read as formats.
    const std::wstring longText(300, L'x');
    const struct {
        std::wstring pattern, expected;
    } patterns[] = {
        {L" (Fehler 0x%08X)", L" (Fehler 0x80070002)"},
        {longText + L"%08X" + longText, longText + L"80070002" + longText},
        {L"%s %n %08X %08X %", L"%s %n 80070002 %08X %"},
        {L"no code", L"no code"},
        {L"", L""},
    };
    for (const auto& p : patterns)
        EXPECT_EQ(std::wstring(FillInCode(p.pattern.c_str(), 0x80070002u).c_str()), p.expected) << Narrow(p.pattern);

    // The code is taken at the call that failed; one that left none is still a failure.
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(LastErrorAsFailure(), E_ACCESSDENIED);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LastErrorAsFailure(), E_FAIL) << "a failure without a code would be reported as success";
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

// cmd would run something else, or nothing, if it read these folders' names
// from its command line: a prefix ("Prog.exe" before "Prog Files"), "R.bat"
// before "R&D", an expanded %OS%. Each folder lies in one that holds such traps.
TEST(LaunchScript, RunsTheScriptFromAFolderWhateverItsNameAndNothingElse)
{
    const wchar_t* const names[] = {L"Prog Files", L"R&D", L"a^b",     L"x %OS% y",
                                    L"bang!",      L"(x)", L"pa)ren", L"\u03ba\u03b9\u03c4 \u00fc\u00df"};
    for (const wchar_t* name : names) {
        ScratchFolder outer(L"trap");
        outer.CopyFromBin(L"Recorder.exe", L"Prog.exe");
        outer.CopyFromBin(L"Recorder.exe", L"R.exe");
        outer.WriteText(L"R.bat", "@\"%~dp0R.exe\" trap\r\n");
        const std::wstring inner = outer / name;
        ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr)) << Narrow(name);
        CopyFileW((BinFolder() + L"\\Recorder.exe").c_str(), (inner + L"\\Recorder.exe").c_str(), FALSE);
        // As the kit's scripts do, it names what lies beside it relative to the
        // current folder: Wine's cmd expands a %...% in "%~dp0" once more.
        WriteFileText(inner + L"\\run.bat", "@\".\\Recorder.exe\" from-script\r\n");

        ASSERT_EQ(LaunchScript(inner.c_str(), L"run.bat", ShowState::Hidden), S_OK) << Narrow(name);
        EXPECT_EQ(WaitForLines(inner + L"\\Recorder.log", "finished", 1).size(), 1u)
            << "the script did not run from \"" << Narrow(name) << "\"";
        for (const wchar_t* trap : {L"Prog.log", L"R.log"})
            EXPECT_EQ(GetFileAttributesW((outer / trap).c_str()), INVALID_FILE_ATTRIBUTES)
                << Narrow(trap) << " ran instead, from \"" << Narrow(name) << "\"";
    }
}

TEST(Launch, ReportsAProgramThatCannotStart)
{
    ScratchFolder folder(L"missing");
    HRESULT hr = Launch((folder / L"Missing.exe").c_str(), nullptr, ShowState::Hidden);
    EXPECT_TRUE(hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
        << std::hex << hr;
    EXPECT_EQ(LaunchScript(folder.Path().c_str(), L"UninstRegister.bat", ShowState::Hidden),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

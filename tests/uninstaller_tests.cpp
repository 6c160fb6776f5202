// Uninstaller.exe end to end, driven as a user would: real message boxes,
// real batch files, the Outlook stand-in found through App Paths.
#include "SequenceDriver.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

namespace {

const wchar_t kFirstNotice[] = L"Outlook will now be closed,  please save all your work before going on";
const wchar_t kSecondNotice[] =
    L"Outlook is now being restarted to remove NOX, please close it when it has finished and then continue";

std::string Describe(const SequenceRun& run)
{
    std::string text;
    for (const std::string& line : run.Timeline())
        text += "  " + line + "\n";
    return text;
}

LONG Between(DWORD from, DWORD to)
{
    return static_cast<LONG>(to - from);
}

// A run that ended by itself after showing both notices, with these texts.
void ExpectBothNotices(const SequenceRun& run, const std::wstring& caption, const std::wstring& first,
                       const std::wstring& second)
{
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.notices.size(), 2u);
    for (const SeenNotice& notice : run.notices)
        EXPECT_EQ(notice.caption, caption);
    EXPECT_EQ(run.notices[0].text, first);
    EXPECT_EQ(run.notices[1].text, second);
}

} // namespace

// The timers' 2500 ms are a lower bound: a timer never fires early, but on a
// busy machine it may fire late. The upper bounds only catch a phase that
// never comes; a program that waits for the unregister script is caught by
// ending after it.
constexpr LONG kTimerMs = 2500, kTickSlackMs = 200, kLateTimerMs = 9000;

TEST(UninstallSequence, RunsBothPhasesInOrderWithTheirTextsAndPacing)
{
    SequenceSetup setup;
    setup.unregisterScriptMs = 6000;
    SequenceRun run = RunSequence(setup);
    SCOPED_TRACE(Describe(run));
    ExpectBothNotices(run, L"Uninstall", kFirstNotice, kSecondNotice);
    ASSERT_EQ(run.notices.size(), 2u);

    const ScriptRun* reg = run.Script("register");
    ASSERT_NE(reg, nullptr);
    EXPECT_GT(Between(reg->tick, run.notices[0].dismissedTick), 0) << "register script ran after the first notice";

    // Phase one: the running Outlook is asked to close once the user has pressed OK;
    // the window appears only after that.
    std::vector<LogLine> closes = run.OutlookEvents("close-received");
    std::vector<LogLine> starts = run.OutlookEvents("started");
    ASSERT_EQ(starts.size(), 2u);
    ASSERT_EQ(closes.size(), 2u);
    EXPECT_EQ(closes[0].pid, run.standInPidAtStart);
    EXPECT_GE(Between(run.notices[0].dismissedTick, closes[0].tick), 0);
    ASSERT_NE(run.main.shownTick, 0u) << "the window never appeared";
    EXPECT_GE(Between(closes[0].tick, run.main.shownTick), 0);
    EXPECT_EQ(run.main.caption, L"Pre-Uninstall");
    EXPECT_EQ(run.main.label, L"Starting Uninstall process");
    EXPECT_EQ(run.main.client.cx, 182);
    EXPECT_EQ(run.main.client.cy, 85);
    EXPECT_EQ(run.main.style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_TRUE(run.main.owned) << "an unowned window gets a taskbar button";

    // Phase two, 2500 ms after phase one: Outlook restarted normal from App Paths,
    // asked to close after the second notice, then the unregister script.
    const LogLine& restarted = starts[1];
    EXPECT_NE(restarted.detail.find("show=1 in=" + Narrow(FolderOfPathText(run.outlookPath)) + " title="),
              std::string::npos) << restarted.detail << ": not in its own folder";
    EXPECT_GE(Between(closes[0].tick, restarted.tick), kTimerMs - kTickSlackMs);
    EXPECT_LE(Between(closes[0].tick, restarted.tick), kLateTimerMs);
    EXPECT_EQ(closes[1].pid, restarted.pid);
    EXPECT_GT(Between(run.notices[1].dismissedTick, closes[1].tick), 0);
    const ScriptRun* unreg = run.Script("unregister");
    ASSERT_NE(unreg, nullptr);
    EXPECT_GE(Between(closes[1].tick, unreg->tick), 0);

    // The end, 2500 ms later, without waiting for the script.
    // The script is seen once its interpreter has started it, a little after
    // the sequencer launched it (and its timer): the close before the launch
    // is the earliest the timer can count from.
    EXPECT_GE(Between(closes[1].tick, run.exitTick), kTimerMs - kTickSlackMs);
    EXPECT_LE(Between(unreg->tick, run.exitTick), kLateTimerMs);
    ASSERT_NE(unreg->finishedTick, 0u);
    EXPECT_GT(Between(run.exitTick, unreg->finishedTick), 0) << "the program waited for the unregister script";
}

TEST(UninstallSequence, WithoutAnOutlookAppPathOnlyTheRestartIsLeftOut)
{
    SequenceSetup setup;
    setup.appPathsToStandIn = false;
    setup.outlookWindowsAtStart = 0;
    SequenceRun run = RunSequence(setup);
    SCOPED_TRACE(Describe(run));
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.outlook.empty());
    ASSERT_EQ(run.notices.size(), 2u);
    EXPECT_EQ(run.notices[1].text, kSecondNotice);
    EXPECT_NE(run.Script("unregister"), nullptr);
}

// Whatever the machine or the user does, the restart finds the add-in
// registered, and the run ends with it unregistered.
TEST(UninstallSequence, UnderRealConditionsTheRestartFindsTheAddinAndTheEndUnregistersIt)
{
    struct Case {
        const char* what;
        void (*adjust)(SequenceSetup&);
        DWORD exitCode;
        size_t outlookStarts;
    } cases[] = {
        {"App Paths as REG_EXPAND_SZ", [](SequenceSetup& s) { s.appPathsExpandable = true; }, 0, 2},
        {"a register script slower than the click", [](SequenceSetup& s) { s.registerScriptMs = 6000; }, 0, 2},
        {"a close request between the phases", [](SequenceSetup& s) { s.closeWhenShown = true; }, 0x800704C7, 1},
    };
    for (const Case& c : cases) {
        SequenceSetup setup;
        c.adjust(setup);
        SequenceRun run = RunSequence(setup);
        SCOPED_TRACE(std::string(c.what) + "\n" + Describe(run));
        EXPECT_TRUE(run.exited && run.exitCode == c.exitCode) << "0x800704C7: cancelled";
        std::vector<LogLine> starts = run.OutlookEvents("started");
        const ScriptRun* reg = run.Script("register");
        const ScriptRun* unreg = run.Script("unregister");
        if (!reg || !unreg || starts.size() != c.outlookStarts) {
            ADD_FAILURE() << "a script or a restart is missing";
            continue;
        }
        if (c.outlookStarts == 2) {
            EXPECT_GE(Between(reg->finishedTick, starts[1].tick), 0) << "restarted before the add-in was registered";
        }
        EXPECT_GE(Between(reg->finishedTick, unreg->tick), 0);
    }
}

TEST(UninstallSequence, ASlowUserDelaysEachPhaseAndNothingOverlaps)
{
    SequenceSetup setup;
    setup.holdNoticeMs = 4000;
    SequenceRun run = RunSequence(setup);
    SCOPED_TRACE(Describe(run));
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.notices.size(), 2u);
    std::vector<LogLine> starts = run.OutlookEvents("started");
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_GE(Between(run.notices[0].dismissedTick, starts[1].tick), kTimerMs - kTickSlackMs);
    const ScriptRun* unreg = run.Script("unregister");
    ASSERT_NE(unreg, nullptr);
    EXPECT_GT(Between(run.notices[1].dismissedTick, unreg->tick), 0);
    EXPECT_GE(Between(run.notices[1].dismissedTick, run.exitTick), kTimerMs - kTickSlackMs);
}

TEST(UninstallSequence, AMissingRegisterScriptIsReportedAndNothingElseRuns)
{
    SequenceSetup setup;
    setup.withRegisterScript = false;
    SequenceRun run = RunSequence(setup);
    SCOPED_TRACE(Describe(run));
    ASSERT_TRUE(run.exited);
    EXPECT_NE(run.exitCode, 0u);
    ASSERT_EQ(run.notices.size(), 1u);
    EXPECT_EQ(run.notices[0].caption, L"Uninstall");
    EXPECT_NE(run.notices[0].text.find(L"UninstRegister.bat"), std::wstring::npos);
    EXPECT_EQ(run.main.shownTick, 0u);
    EXPECT_TRUE(run.OutlookEvents("close-received").empty());
    EXPECT_EQ(run.Script("unregister"), nullptr);
}

// A name cmd would parse, were it on cmd's command line: spaces, &, ^, a
// variable, !, parentheses and letters beyond ASCII (of the system's code
// page: Outlook's path is read with the ANSI registry functions). A DLL
// planted in the folder is never loaded.
TEST(UninstallSequence, RunsFromAFolderWhoseNameCmdWouldParseAndLoadsNoDllPlantedThere)
{
    SequenceSetup setup;
    setup.folderName = L"Program Files R&D ^ %OS% ! (x86) \u00fc\u00df";
    setup.plantDll = true;
    SequenceRun run = RunSequence(setup);
    SCOPED_TRACE(Describe(run));
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.notices.size(), 2u);
    EXPECT_NE(run.Script("register"), nullptr);
    EXPECT_NE(run.Script("unregister"), nullptr);
    EXPECT_EQ(run.OutlookEvents("started").size(), 2u);
    EXPECT_EQ(run.OutlookEvents("close-received").size(), 2u);
    EXPECT_FALSE(run.plantedDllLoaded) << "a DLL beside Uninstaller.exe was loaded";
}

TEST(UninstallSequence, ShowsItsTextsInTheUsersLanguage)
{
    // Wine takes the user's UI language from the locale Wine was started in:
    // this test runs with LC_ALL=de_DE.UTF-8 (see tests/CMakeLists.txt).
    ASSERT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), LANG_GERMAN) << "the test does not run in a German locale";
    SequenceSetup setup;
    SequenceRun run = RunSequence(setup);
    SCOPED_TRACE(Describe(run));
    EXPECT_EQ(run.main.caption, L"Vor der Deinstallation");
    EXPECT_EQ(run.main.label, L"Deinstallation wird gestartet");
    ExpectBothNotices(run, L"Deinstallation",
                      L"Outlook wird jetzt geschlossen. Bitte speichern Sie zuerst Ihre gesamte Arbeit.",
                      L"Outlook wird jetzt neu gestartet, um NOX zu entfernen. Bitte schlie\u00DFen Sie Outlook, wenn "
                      L"es fertig ist, und fahren Sie dann fort.");
}

TEST(UninstallSequence, ScalesItsWindowWithTheScreensDpi)
{
    ScopedScreenDpi dpi(144);
    SequenceSetup setup;
    SequenceRun run = RunSequence(setup);
    SCOPED_TRACE(Describe(run));
    ASSERT_NE(run.main.shownTick, 0u) << "the window never appeared";
    // 2730 x 1275 twips at 144 dots per inch.
    EXPECT_NEAR(run.main.client.cx, 273, 1);
    EXPECT_NEAR(run.main.client.cy, 128, 1);
    EXPECT_EQ(run.main.label, L"Starting Uninstall process");
    EXPECT_NEAR(run.main.labelSize.cy, 37, 1) << "the label is one line high, 375 twips";
    EXPECT_GE(run.main.labelSize.cx, run.main.labelTextWidth) << "the label's text does not fit on its line";
}

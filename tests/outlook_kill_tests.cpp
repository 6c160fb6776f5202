// CloseOutlookWindows against real top-level windows of other processes.
#include "OutlookKill.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <map>

TEST(TitleNamesOutlook, MatchesTheWordAfterASpaceInAnyCase)
{
    struct Case {
        const wchar_t* title;
        bool matches;
    } cases[] = {
        {L"Inbox - Microsoft Outlook", true},
        {L"INBOX - MICROSOFT OUTLOOK", true},
        {L"Notes on outlook use", true},
        {L"Calendar - Microsoft Outlook Express", true},
        {L"Outlook Today", false},
        {L"Pre-Uninstall", false},
        {L"Microsoft-Outlook", false},
        {L"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TitleNamesOutlook(c.title), c.matches) << Narrow(c.title);
}

class CloseOutlookWindowsTest : public testing::Test {
protected:
    void SetUp() override
    {
        // The walk starts from a window of the calling program, as the sequencer's does.
        start_ = CreateWindowExW(0, L"STATIC", L"Pre-Uninstall", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(start_, nullptr);
        folder_.CopyFromBin(L"OutlookStandIn.exe");
    }
    void TearDown() override { DestroyWindow(start_); }

    // Starts a stand-in and waits for its window; later ones lie above earlier ones.
    DWORD Start(const std::wstring& title, const std::wstring& options = L"")
    {
        standIns_.emplace_back(L"\"" + (folder_ / L"OutlookStandIn.exe") + L"\" --title \"" + title + L"\" " + options);
        DWORD pid = standIns_.back().Pid();
        EXPECT_TRUE(WaitUntil([&] { return !WindowsOfProcess(pid, true).empty(); }, 10000)) << Narrow(title);
        return pid;
    }

    // pid -> what the stand-in logged on WM_CLOSE ("closing" or "refused").
    std::map<DWORD, std::string> CloseRequests() const
    {
        std::map<DWORD, std::string> requests;
        for (const LogLine& line : ReadLog(folder_ / L"OutlookStandIn.log"))
            if (line.event == "close-received")
                requests[line.pid] = line.detail;
        return requests;
    }

    bool Exits(DWORD pid, DWORD withinMs = 5000)
    {
        for (ChildProcess& p : standIns_)
            if (p.Pid() == pid)
                return p.WaitExit(withinMs);
        return false;
    }

    HWND start_ = nullptr;
    ScratchFolder folder_{L"closer"};
    std::vector<ChildProcess> standIns_;
};

TEST_F(CloseOutlookWindowsTest, ClosesEveryWindowWhoseTitleNamesOutlookAndNoOther)
{
    // The two upper-case and mixed-case Outlooks are neighbours in Z order, and
    // each takes a hidden window of its own with it when it closes.
    struct Case {
        const wchar_t* title;
        bool closes;
    } cases[] = {
        {L"Outlook Today", false}, {L"Pre-Uninstall", false}, {L"", false},
        {L"Notes on outlook use", true}, {L"INBOX - MICROSOFT OUTLOOK", true}, {L"Inbox - Microsoft Outlook", true},
    };
    std::map<DWORD, bool> expected;
    for (const Case& c : cases)
        expected[Start(c.title)] = c.closes;

    CloseOutlookWindows(start_);

    std::map<DWORD, std::string> requests = CloseRequests();
    for (const auto& [pid, closes] : expected) {
        EXPECT_EQ(requests.count(pid) == 1, closes) << "pid " << pid;
        if (closes) {
            EXPECT_TRUE(Exits(pid)) << "pid " << pid;
        }
    }
}

TEST_F(CloseOutlookWindowsTest, SendsNothingWhenNoTitleMatches)
{
    DWORD today = Start(L"Outlook Today");
    DWORD calendar = Start(L"Calendar");
    CloseOutlookWindows(start_);
    EXPECT_TRUE(CloseRequests().empty());
    EXPECT_FALSE(Exits(today, 1000));
    EXPECT_FALSE(Exits(calendar, 0));
}

TEST_F(CloseOutlookWindowsTest, LeavesARefusingWindowOpenAndGoesOn)
{
    DWORD lower = Start(L"Calendar - Microsoft Outlook");
    DWORD refusing = Start(L"Inbox - Microsoft Outlook", L"--refuse-close");
    CloseOutlookWindows(start_);
    std::map<DWORD, std::string> requests = CloseRequests();
    EXPECT_EQ(requests[refusing], "refused");
    EXPECT_EQ(requests[lower], "closing");
    EXPECT_TRUE(Exits(lower));
    EXPECT_FALSE(Exits(refusing, 0));
}

// A thread counts as hung after five seconds without taking messages: one
// that stays so is waited for a few seconds, one that recovers meanwhile closes.
TEST_F(CloseOutlookWindowsTest, WaitsOnlyAWhileForAHungWindowAndGoesOn)
{
    DWORD lower = Start(L"Calendar - Microsoft Outlook");
    DWORD hung = Start(L"Inbox - Microsoft Outlook", L"--hang-ms 20000");
    DWORD recovering = Start(L"Contacts - Microsoft Outlook", L"--hang-ms 8000");
    Sleep(6000);

    DWORD before = GetTickCount();
    CloseOutlookWindows(start_);
    // The hang lasts 14 s more; a busy machine may take a few seconds on the walk.
    EXPECT_LT(GetTickCount() - before, 12000u) << "the walk waited on the hung window";
    std::map<DWORD, std::string> requests = CloseRequests();
    EXPECT_EQ(requests.count(hung), 0u);
    EXPECT_EQ(requests[recovering], "closing");
    EXPECT_EQ(requests[lower], "closing");
}

// Pelmor.dll as callers outside the kit use it: linked through its import
// library, or loaded by name; over the MAPI32 stand-in and over Wine's own.
#include "MapiStandIn.h"
#include "Pelmor.h"
#include "ProfileNameCopy.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <thread>

namespace {

constexpr unsigned char kGuard = 0xCC;

// A caller's buffer: stale text in front, guard bytes behind the documented size.
struct CallerBuffer {
    char bytes[PELMOR_PROFILE_NAME_SIZE + 32];
    CallerBuffer()
    {
        memset(bytes, kGuard, sizeof(bytes));
        strcpy(bytes, "stale text from an earlier call");
    }
    bool GuardIntact() const
    {
        for (size_t i = PELMOR_PROFILE_NAME_SIZE; i < sizeof(bytes); ++i)
            if (static_cast<unsigned char>(bytes[i]) != kGuard)
                return false;
        return true;
    }
};

#if defined(__i386__)
// Calls a one-argument function and returns how far the stack pointer moved:
// 0 when the callee removed its argument (stdcall), 4 when it did not.
int StackMovedByCall(PELMOR_GETPELMORS function, char* buffer)
{
    int moved = 0;
    asm volatile("movl %%esp, %%edi\n\t"
                 "pushl %[buffer]\n\t"
                 "call *%[function]\n\t"
                 "movl %%edi, %%ecx\n\t"
                 "subl %%esp, %%ecx\n\t"
                 "movl %%edi, %%esp\n\t"
                 "movl %%ecx, %[moved]\n\t"
                 : [moved] "=m"(moved)
                 : [function] "b"(function), [buffer] "S"(buffer)
                 : "eax", "ecx", "edx", "edi", "memory", "cc");
    return moved;
}
#else
// 64-bit Windows has one calling convention: nothing to tell apart.
int StackMovedByCall(PELMOR_GETPELMORS function, char* buffer)
{
    function(buffer);
    return 0;
}
#endif

} // namespace

TEST(CopyProfileName, CutsAtTheDocumentedSizeAndWritesNothingBeyond)
{
    const std::string sixtyFour(64, 'a');
    struct Case {
        std::string name;
        std::string expected;
    } cases[] = {
        {"", ""}, {"Outlook", "Outlook"}, {sixtyFour, sixtyFour},
        {sixtyFour + "b", sixtyFour}, {std::string(300, 'c'), std::string(64, 'c')},
    };
    for (const Case& c : cases) {
        CallerBuffer buffer;
        CopyProfileName(buffer.bytes, c.name.c_str());
        EXPECT_EQ(std::string(buffer.bytes), c.expected) << c.name.size() << " characters";
        EXPECT_TRUE(buffer.GuardIntact()) << c.name.size() << " characters";
    }
}

class GetPelmorsOverStandIn : public testing::Test {
protected:
    void SetUp() override
    {
        // The run has Wine take the system folder's MAPI32.DLL, the stand-in.
        ASSERT_TRUE(standIn_.Installed());
        mapi_ = LoadLibraryExW(L"MAPI32.DLL", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        ASSERT_NE(mapi_, nullptr);
        configure_ = reinterpret_cast<StandInConfigureFn>(reinterpret_cast<void*>(GetProcAddress(mapi_, "StandInConfigure")));
        report_ = reinterpret_cast<StandInReportFn>(reinterpret_cast<void*>(GetProcAddress(mapi_, "StandInReport")));
        ASSERT_TRUE(configure_ && report_) << "Wine's own MAPI32 was loaded, not the stand-in";
    }
    void TearDown() override { FreeLibrary(mapi_); }

    MapiStandInReport Report() const
    {
        MapiStandInReport report;
        report_(&report);
        return report;
    }
    void ExpectNothingLeft(const MapiStandInReport& report) const
    {
        EXPECT_EQ(report.objectsAlive, 0) << "a session or section was not released";
        EXPECT_EQ(report.buffersOutstanding, 0) << "a property buffer was not freed";
        EXPECT_EQ(report.initializeBalance, 0) << "MAPIInitialize and MAPIUninitialize unpaired";
        EXPECT_EQ(report.violations, 0) << report.lastViolation;
    }

    SystemMapiStandIn standIn_;
    HMODULE mapi_ = nullptr;
    StandInConfigureFn configure_ = nullptr;
    StandInReportFn report_ = nullptr;
};

TEST_F(GetPelmorsOverStandIn, ANullBufferGivesZeroAndTouchesNoMapi)
{
    configure_(MapiScenario::Session, "Outlook");
    EXPECT_EQ(GetPelmors(nullptr), 0);
    MapiStandInReport report = Report();
    EXPECT_STREQ(report.order, "");
    EXPECT_EQ(report.initializeCalls + report.logonCalls, 0);
}

TEST_F(GetPelmorsOverStandIn, EachOutcomeFillsTheBufferRightCallsInOrderAndLeavesNothing)
{
    const std::string sixtyFour(64, 'P');
    struct Case {
        MapiScenario scenario;
        std::string profile;
        std::string expected;
        const char* order;
    } cases[] = {
        {MapiScenario::Session, "Default Outlook Profile", "Default Outlook Profile", "ILOGFrsU"},
        {MapiScenario::Session, sixtyFour, sixtyFour, "ILOGFrsU"},
        {MapiScenario::Session, std::string(300, 'Q'), std::string(64, 'Q'), "ILOGFrsU"},
        {MapiScenario::NoSession, "unused", "", "ILU"},
        {MapiScenario::SectionFails, "unused", "", "ILOsU"},
        {MapiScenario::PropertyFails, "unused", "", "ILOGrsU"},
        {MapiScenario::InitializeFails, "Still Shared", "Still Shared", "ILOGFrs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.scenario)) + " / " + std::to_string(c.profile.size()));
        configure_(c.scenario, c.profile.c_str());
        CallerBuffer buffer;
        EXPECT_EQ(GetPelmors(buffer.bytes), 1);
        EXPECT_EQ(std::string(buffer.bytes), c.expected);
        EXPECT_TRUE(buffer.GuardIntact()) << "written past the documented size";
        MapiStandInReport report = Report();
        EXPECT_STREQ(report.order, c.order);
        ExpectNothingLeft(report);
    }
}

TEST_F(GetPelmorsOverStandIn, LoadedByNameItIsStdcallAndAnswers)
{
    configure_(MapiScenario::Session, "Work");
    HMODULE pelmor = LoadLibraryW(L"Pelmor.dll");
    ASSERT_NE(pelmor, nullptr);
    auto getPelmors = reinterpret_cast<PELMOR_GETPELMORS>(reinterpret_cast<void*>(GetProcAddress(pelmor, "GetPelmors")));
    ASSERT_NE(getPelmors, nullptr);
    CallerBuffer buffer;
    EXPECT_EQ(StackMovedByCall(getPelmors, buffer.bytes), 0) << "the callee did not remove its argument";
    EXPECT_STREQ(buffer.bytes, "Work");
    FreeLibrary(pelmor);
}

// The caller below, run as a program of its own in a folder where an
// attacker planted a MAPI32.DLL, which Windows would find there first by bare
// name: Pelmor.dll takes the system folder's, and never loads the planted one.
// (In this process MAPI32 is loaded already, and any load by name would get
// that one.)
TEST_F(GetPelmorsOverStandIn, AMapi32PlantedBesideTheCallerIsNeverLoaded)
{
    ScratchFolder caller(L"caller");
    caller.CopyFromBin(L"pelmor_tests.exe");
    caller.CopyFromBin(L"Pelmor.dll");
    caller.CopyFromBin(L"PlantedDll.dll", L"MAPI32.DLL");
    ChildProcess asks(L"\"" + (caller / L"pelmor_tests.exe") +
                      L"\" --gtest_filter=GetPelmorsCaller.DISABLED_RunByThePlantedMapiTest --gtest_also_run_disabled_tests", SW_HIDE);
    ASSERT_TRUE(asks.WaitExit(30000));
    EXPECT_EQ(asks.ExitCode(), 0u);
    EXPECT_EQ(GetFileAttributesW((caller / L"MAPI32.DLL.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the MAPI32.DLL beside the caller was loaded";
}

TEST(GetPelmorsCaller, DISABLED_RunByThePlantedMapiTest)
{
    char name[PELMOR_PROFILE_NAME_SIZE];
    EXPECT_EQ(GetPelmors(name), 1);
}

TEST_F(GetPelmorsOverStandIn, CallersOnManyThreadsAtOnceEachGetTheName)
{
    configure_(MapiScenario::Session, "Shared Profile");
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                char name[PELMOR_PROFILE_NAME_SIZE];
                if (GetPelmors(name) != 1 || strcmp(name, "Shared Profile") != 0)
                    ++wrong;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
    MapiStandInReport report = Report();
    EXPECT_EQ(report.logonCalls, 200);
    ExpectNothingLeft(report);
}

TEST(GetPelmorsOverWinesMapi, WithNoMailClientTheBufferComesBackEmpty)
{
    HMODULE mapi = LoadLibraryExW(L"MAPI32.DLL", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(mapi, nullptr);
    ASSERT_EQ(GetProcAddress(mapi, "StandInConfigure"), nullptr) << "the stand-in was loaded, not Wine's own MAPI32";
    CallerBuffer buffer;
    EXPECT_EQ(GetPelmors(buffer.bytes), 1);
    EXPECT_STREQ(buffer.bytes, "");
    EXPECT_TRUE(buffer.GuardIntact());
    FreeLibrary(mapi);
}

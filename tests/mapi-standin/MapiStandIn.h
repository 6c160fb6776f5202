#pragma once
// Control of the MAPI32.DLL stand-in, which plays a running mail client's
// shared session for the code under test in the same process.
#include <windows.h>

enum class MapiScenario : int {
    NoSession = 0,          // MAPILogonEx fails and leaves the pointer alone
    Session = 1,            // a shared session on the configured profile
    SectionFails = 2,       // OpenProfileSection fails
    PropertyFails = 3,      // HrGetOneProp fails
    InitializeFails = 4,    // MAPIInitialize fails; the session is still there
};

struct MapiStandInReport {
    LONG initializeCalls, uninitializeCalls, logonCalls, sectionCalls, getPropCalls, freeCalls;
    LONG objectsAlive;        // sessions and sections not yet released
    LONG buffersOutstanding;  // buffers handed out and not freed
    LONG initializeBalance;   // successful initialisations not yet undone
    LONG violations;          // arguments other than the expected ones
    char order[128];          // one letter a call: I L O G F r(section) s(session) U
    char lastViolation[128];
};

extern "C" {
void __stdcall StandInConfigure(MapiScenario scenario, const char* profileName);
void __stdcall StandInReport(MapiStandInReport* report);
}

using StandInConfigureFn = void(__stdcall*)(MapiScenario, const char*);
using StandInReportFn = void(__stdcall*)(MapiStandInReport*);

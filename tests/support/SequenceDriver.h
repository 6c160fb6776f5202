#pragma once
// Runs Uninstaller.exe as a user would meet it, in a scratch folder with
// recording batch files and the Outlook stand-in, reading and dismissing its
// message boxes, and gathers what happened into one time line.
#include "EventLog.h"
#include <string>
#include <vector>

struct SequenceSetup {
    std::wstring folderName = L"kit";      // may hold spaces or non-ASCII letters
    bool withRegisterScript = true;
    bool appPathsToStandIn = true;         // false: no App Paths entry for Outlook
    int outlookWindowsAtStart = 1;
    DWORD holdNoticeMs = 0;                // how long the "user" takes to press OK
    DWORD unregisterScriptMs = 6000;       // how long the unregister script runs
};

struct SeenNotice {
    std::wstring caption;
    std::wstring text;
    DWORD shownTick = 0;
    DWORD dismissedTick = 0;
};

struct SeenMainWindow {
    DWORD shownTick = 0;
    std::wstring caption;
    std::wstring label;
    SIZE client = {};
    LONG style = 0;
    LONG exStyle = 0;
    bool owned = false;
};

struct ScriptRun {
    DWORD tick = 0;
    std::string which;  // "register" or "unregister"
    DWORD finishedTick = 0;
};

struct SequenceRun {
    DWORD startTick = 0;
    bool exited = false;
    DWORD exitTick = 0;
    DWORD exitCode = 0;
    std::vector<SeenNotice> notices;
    SeenMainWindow main;
    std::vector<LogLine> outlook;     // the stand-in's log
    std::vector<ScriptRun> scripts;
    DWORD standInPidAtStart = 0;
    std::wstring outlookPath;

    const ScriptRun* Script(const std::string& which) const;
    // Outlook stand-in lines of one event, in order.
    std::vector<LogLine> OutlookEvents(const std::string& event) const;
    // Every observation as "+<ms since start>  <what>", in time order.
    std::vector<std::string> Timeline() const;
};

SequenceRun RunSequence(const SequenceSetup& setup);

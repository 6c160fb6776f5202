#pragma once
// Runs Uninstaller.exe as a user would meet it, in a scratch folder with
// recording batch files and the Outlook stand-in, reading and dismissing its
// message boxes, and gathers what happened into one time line.
#include "EventLog.h"
#include <functional>
#include <string>
#include <vector>

struct SeenNotice {
    std::wstring caption;
    std::wstring text;
    DWORD shownTick = 0;
    DWORD dismissedTick = 0; // when OK was pressed
};

struct SeenMainWindow {
    DWORD shownTick = 0;
    std::wstring caption;
    std::wstring label;
    SIZE labelSize = {};
    LONG labelTextWidth = 0;  // of the label's text in the label's font
    SIZE client = {};
    LONG style = 0;
    LONG exStyle = 0;
    bool owned = false;
};

// How the driver plays the user.
struct DriveOptions {
    bool dismissNotices = true;  // false: a person at the display answers them
    DWORD holdNoticeMs = 0;      // how long the user takes to press OK
    DWORD timeoutMs = 60000;
    // Runs while notice `index` is up, before it is dismissed: the user's own
    // waiting (for Outlook to start, say) and anything to look at then.
    std::function<void(size_t index, HWND box)> beforeDismiss;
    // Runs once when the sequencer's window has appeared.
    std::function<void(HWND window)> onMainWindow;
    // Runs all along, for what else the user answers (an uninstaller's pages).
    std::function<void()> whileRunning;
    // The launcher's token (FilteredToken, say); null: this process's.
    HANDLE launcherToken = nullptr;
};

// What was seen of one run of Uninstaller.exe.
struct UninstallerRun {
    DWORD startTick = 0;
    bool exited = false;
    DWORD exitTick = 0;
    DWORD exitCode = 0;
    std::vector<SeenNotice> notices;
    SeenMainWindow main;
    // The program that started it, when that was not the driver (a
    // product's uninstaller, say).
    bool launcherExited = false;
    DWORD launcherExitTick = 0;
    DWORD launcherExitCode = 0;
};

// Starts the Uninstaller at `path` (the folder around it as the kit would
// be installed) and plays the user until it ends or the time runs out.
UninstallerRun DriveUninstaller(const std::wstring& path, const DriveOptions& options);

// Runs `launcher`, which starts the Uninstaller at `sequencerPath` itself,
// and plays the user until both have ended or the time runs out.
UninstallerRun DriveUninstallerStartedBy(const std::wstring& launcher, const std::wstring& sequencerPath,
                                         const DriveOptions& options);

// The user at the second notice lets the restarted Outlook, which logs to
// `outlookLog`, finish starting with its add-ins: the pid of the Outlook
// that got there within the time, or 0.
DWORD WaitForOutlookStartup(const std::wstring& outlookLog, DWORD timeoutMs);

// A run against recording stand-ins, for the tests.
struct SequenceSetup {
    std::wstring folderName = L"kit";      // may hold spaces or non-ASCII letters
    bool withRegisterScript = true;
    bool appPathsToStandIn = true;         // false: no App Paths entry for Outlook
    bool appPathsExpandable = false;       // the entry as REG_EXPAND_SZ, through a variable
    DWORD registerScriptMs = 0;            // how long the register script runs
    bool closeWhenShown = false;           // WM_CLOSE to the window once it is shown
    int outlookWindowsAtStart = 1;
    DWORD holdNoticeMs = 0;                // how long the "user" takes to press OK
    DWORD unregisterScriptMs = 0;          // how long the unregister script runs
    bool plantDll = false;                 // a DLL planted beside the program (PlantedDll)
};

struct ScriptRun {
    DWORD tick = 0;
    std::string which;  // "register" or "unregister"
    DWORD finishedTick = 0;
};

struct SequenceRun : UninstallerRun {
    std::vector<LogLine> outlook;     // the stand-in's log
    std::vector<ScriptRun> scripts;
    DWORD standInPidAtStart = 0;
    std::wstring outlookPath;
    bool plantedDllLoaded = false;

    const ScriptRun* Script(const std::string& which) const;
    // Outlook stand-in lines of one event, in order.
    std::vector<LogLine> OutlookEvents(const std::string& event) const;
    // Every observation as "+<ms since start>  <what>", in time order.
    std::vector<std::string> Timeline() const;
};

SequenceRun RunSequence(const SequenceSetup& setup);

// Ends, by id, the Outlook stand-ins of a log that started and never exited.
void EndStandInsLeftRunning(const std::vector<LogLine>& log);

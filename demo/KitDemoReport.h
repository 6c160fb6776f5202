#pragma once
// The main job's report: numbered steps with times, checks that count
// failures, a watchdog that ends a step that hangs, and what the main job
// reads of the add-in's registry entries (reading never fails: what is not
// there, or not written yet, is reported as such).
#include "AddinKeys.h"
#include "TestSupport.h"
#include <functional>
#include <string>

void Say(const std::string& text);
void Check(bool condition, const std::string& what);
// Times are said from this tick on (a caller the main job starts keeps its clock).
void StartClockAt(DWORD tick);
DWORD ClockStart();
// Prints the verdict; the process's exit code.
int Finish();
// The exit code alone, for a part of the main job run as a child: the main
// job says the one verdict.
int FailuresAsExitCode();

// The step the main job is in, for the watchdog: a step that has not ended
// within its time ends the run, with a report line and exit code 3, after
// `onTimeout` (set once) has ended what the run started. 0 ms: no limit.
class Step {
public:
    Step(const std::string& name, DWORD limitMs);
    ~Step();
    void Next(const std::string& name, DWORD limitMs);
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
};
void StartWatchdog(std::function<void()> onTimeout);

// Outlook's command bars as the stand-in keeps them: ["A", "B"].
std::string Bars(const std::wstring& file);
std::vector<LogLine> Events(const std::wstring& log, const std::string& event);

// The add-in entry as "FriendlyName=..., Description=..., LoadBehavior=..."
// with "(not written yet)" for a value still missing, or "absent".
std::string AddinEntryText();
// True once the entry holds all three values.
bool AddinEntryComplete();

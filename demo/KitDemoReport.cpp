#include "KitDemoReport.h"
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

DWORD g_start = GetTickCount();
int g_failures = 0;
std::mutex g_lock;          // guards what the watchdog reads
std::string g_step;
DWORD g_stepStart = 0;
DWORD g_stepLimit = 0;

std::string ValueText(const Tree& entry, const std::wstring& name, size_t typeLength)
{
    auto found = entry.find(L"[" + name + L"]");
    if (found == entry.end() || found->second.size() < typeLength)
        return "(not written yet)";
    return Narrow(found->second.substr(typeLength));
}

void SetStep(const std::string& name, DWORD limitMs)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_step = name;
    g_stepStart = GetTickCount();
    g_stepLimit = limitMs;
}

} // namespace

void Say(const std::string& text)
{
    std::printf("[%6.2f s] %s\n", (GetTickCount() - g_start) / 1000.0, text.c_str());
    std::fflush(stdout);
}

void Check(bool condition, const std::string& what)
{
    if (!condition) {
        ++g_failures;
        Say("FAILED: " + what);
    }
}

void StartClockAt(DWORD tick)
{
    g_start = tick;
}

DWORD ClockStart()
{
    return g_start;
}

int Finish()
{
    Say(g_failures ? std::to_string(g_failures) + " step(s) did not happen as they should."
                   : "The kit's whole life played as it should.");
    return FailuresAsExitCode();
}

int FailuresAsExitCode()
{
    return g_failures ? 1 : 0;
}

Step::Step(const std::string& name, DWORD limitMs)
{
    SetStep(name, limitMs);
}

Step::~Step()
{
    SetStep("", 0);
}

void Step::Next(const std::string& name, DWORD limitMs)
{
    SetStep(name, limitMs);
}

void StartWatchdog(std::function<void()> onTimeout)
{
    std::thread([onTimeout] {
        for (;;) {
            Sleep(200);
            std::string step;
            DWORD limit = 0;
            {
                std::lock_guard<std::mutex> hold(g_lock);
                if (!g_stepLimit || GetTickCount() - g_stepStart < g_stepLimit)
                    continue;
                step = g_step;
                limit = g_stepLimit;
            }
            Say("FAILED: the step \"" + step + "\" did not end within " + std::to_string(limit / 1000) +
                " s; ending what this run started");
            onTimeout();
            ExitProcess(3);
        }
    }).detach();
}

std::string Bars(const std::wstring& file)
{
    std::string bars;
    for (const std::string& line : ReadLines(file))
        bars += (bars.empty() ? "\"" : ", \"") + line + "\"";
    return "[" + bars + "]";
}

std::vector<LogLine> Events(const std::wstring& log, const std::string& event)
{
    std::vector<LogLine> found;
    for (const LogLine& line : ReadLog(log))
        if (line.event == event)
            found.push_back(line);
    return found;
}

std::string AddinEntryText()
{
    Tree entry = Snapshot(HKEY_CURRENT_USER, kAddinKey);
    if (entry.empty())
        return "absent";
    return "FriendlyName=" + ValueText(entry, L"FriendlyName", 3) + ", Description=" +
           ValueText(entry, L"Description", 3) + ", LoadBehavior=" + ValueText(entry, L"LoadBehavior", 6);
}

bool AddinEntryComplete()
{
    Tree entry = Snapshot(HKEY_CURRENT_USER, kAddinKey);
    return entry.count(L"[FriendlyName]") && entry.count(L"[Description]") && entry.count(L"[LoadBehavior]");
}

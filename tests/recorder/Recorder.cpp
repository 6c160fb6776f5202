// Stands in for a program that the kit starts (a batch file's work, a
// registration tool): records how it was started in "<its name>.log" beside
// itself, then optionally lingers, so a test can tell whether its starter
// waited for it.
//
//   Recorder.exe [anything...] [--sleep-ms N]
//
// Started under a fixed command line (as regsvr32.exe, say) it takes the
// time to linger from RECORDER_SLEEP_MS in its environment instead.
#include "EventLog.h"
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    STARTUPINFOW startup = {};
    GetStartupInfoW(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    std::wstring commandLine = GetCommandLineW();
    AppendLogLine(LogBesideProgram(), "started", "show=" + std::to_string(show) + " cmdline=" + Narrow(commandLine));

    size_t at = commandLine.find(L"--sleep-ms ");
    wchar_t fromEnvironment[16] = {};
    if (at != std::wstring::npos)
        Sleep(wcstoul(commandLine.c_str() + at + 11, nullptr, 10));
    else if (GetEnvironmentVariableW(L"RECORDER_SLEEP_MS", fromEnvironment, ARRAYSIZE(fromEnvironment)))
        Sleep(wcstoul(fromEnvironment, nullptr, 10));
    AppendLogLine(LogBesideProgram(), "finished");
    return 0;
}

#include "SequenceDriver.h"
#include "TestSupport.h"
#include <algorithm>
#include <optional>
#include <sstream>

namespace {

// The sequencer's window once it is visible, with what it shows; null before.
HWND ObserveMainWindow(DWORD pid, SeenMainWindow& main)
{
    for (HWND window : WindowsOfProcess(pid, true)) {
        // Known by its class: its caption is in the user's language.
        wchar_t className[64] = L"";
        GetClassNameW(window, className, ARRAYSIZE(className));
        if (std::wstring(className) != L"UninstallerMainWindow")
            continue;
        main.shownTick = GetTickCount();
        main.caption = WindowText(window);
        RECT client = {};
        GetClientRect(window, &client);
        main.client = {client.right - client.left, client.bottom - client.top};
        main.style = GetWindowLongW(window, GWL_STYLE);
        main.exStyle = GetWindowLongW(window, GWL_EXSTYLE);
        main.owned = GetWindow(window, GW_OWNER) != nullptr;
        HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
        main.label = label ? WindowText(label) : L"";
        if (label) {
            RECT rect = {};
            GetClientRect(label, &rect);
            main.labelSize = {rect.right - rect.left, rect.bottom - rect.top};
            HDC dc = GetDC(label);
            HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
            SIZE extent = {};
            GetTextExtentPoint32W(dc, main.label.c_str(), static_cast<int>(main.label.size()), &extent);
            main.labelTextWidth = extent.cx;
            SelectObject(dc, previous);
            ReleaseDC(label, dc);
        }
        return window;
    }
    return nullptr;
}

std::vector<ScriptRun> ReadScriptRuns(const std::wstring& logPath)
{
    std::vector<ScriptRun> runs;
    std::vector<LogLine> lines = ReadLog(logPath);
    for (const LogLine& line : lines) {
        if (line.event != "started")
            continue;
        ScriptRun run;
        run.tick = line.tick;
        run.which = line.detail.find(" unregister") != std::string::npos ? "unregister" : "register";
        for (const LogLine& other : lines)
            if (other.pid == line.pid && other.event == "finished")
                run.finishedTick = other.tick;
        runs.push_back(run);
    }
    return runs;
}

int OutlookWindowsStarted(const std::wstring& logPath)
{
    int started = 0;
    for (const LogLine& line : ReadLog(logPath))
        started += line.event == "started";
    return started;
}

} // namespace

// A stand-in that the sequencer started and failed to close would outlive the
// test and keep its output pipes open; it is ended by its id.
void EndStandInsLeftRunning(const std::vector<LogLine>& log)
{
    for (const LogLine& line : log) {
        bool exited = std::any_of(log.begin(), log.end(), [&](const LogLine& other) {
            return other.pid == line.pid && other.event == "exited";
        });
        if (line.event != "started" || exited)
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, line.pid);
        if (!process)
            continue;
        if (WaitForSingleObject(process, 2000) == WAIT_TIMEOUT)
            TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

namespace {

// A process the driver watches but did not start.
class WatchedProcess {
public:
    WatchedProcess() = default;
    ~WatchedProcess()
    {
        if (handle_)
            CloseHandle(handle_);
    }
    WatchedProcess(const WatchedProcess&) = delete;
    WatchedProcess& operator=(const WatchedProcess&) = delete;

    void Open(DWORD pid)
    {
        handle_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        pid_ = handle_ ? pid : 0;
    }
    DWORD Pid() const { return pid_; }
    bool WaitExit(DWORD timeoutMs) const { return handle_ && WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0; }
    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(handle_, &code);
        return code;
    }

private:
    HANDLE handle_ = nullptr;
    DWORD pid_ = 0;
};

// Plays the user for the sequencer: `sequencerPath` names the program to
// look for among the launcher's descendants, or is empty when the launcher
// is the sequencer itself.
UninstallerRun Drive(const std::wstring& launcherCommand, const std::wstring& sequencerPath,
                     const DriveOptions& options)
{
    UninstallerRun run;
    run.startTick = GetTickCount();
    ChildProcess launcher(launcherCommand, SW_SHOWNORMAL, options.launcherToken);
    WatchedProcess found;
    const bool launcherIsSequencer = sequencerPath.empty();
    HWND box = nullptr;
    DWORD clickedTick = 0; // OK pressed by the driver: the dismissal, seen only later
    while (GetTickCount() - run.startTick < options.timeoutMs) {
        if (!launcherIsSequencer && !found.Pid()) {
            std::vector<DWORD> pids = ProcessesRunning(sequencerPath);
            if (!pids.empty())
                found.Open(pids.front());
        }
        const DWORD sequencerPid = launcherIsSequencer ? launcher.Pid() : found.Pid();
        bool sequencerEnded = launcherIsSequencer ? launcher.WaitExit(0) : found.WaitExit(0);
        if (sequencerEnded && !run.exited) {
            run.exited = true;
            run.exitTick = GetTickCount();
            run.exitCode = launcherIsSequencer ? launcher.ExitCode() : found.ExitCode();
        }
        if (!launcherIsSequencer && !run.launcherExited && launcher.WaitExit(0)) {
            run.launcherExited = true;
            run.launcherExitTick = GetTickCount();
            run.launcherExitCode = launcher.ExitCode();
        }
        if (launcherIsSequencer ? run.exited : run.launcherExited && (run.exited || !sequencerPid))
            break;
        if (options.whileRunning)
            options.whileRunning();
        if (!sequencerPid || run.exited) {
            Sleep(10);
            continue;
        }
        if (!run.main.shownTick) {
            HWND window = ObserveMainWindow(sequencerPid, run.main);
            if (window && options.onMainWindow)
                options.onMainWindow(window);
        }
        HWND shown = FindMessageBox(sequencerPid);
        if (shown && (run.notices.empty() || run.notices.back().dismissedTick)) {
            box = shown;
            run.notices.push_back({WindowText(box), MessageBoxText(box), GetTickCount(), 0});
            if (options.beforeDismiss)
                options.beforeDismiss(run.notices.size() - 1, box);
            if (options.dismissNotices) {
                if (options.holdNoticeMs)
                    Sleep(options.holdNoticeMs);
                clickedTick = GetTickCount();
                DismissMessageBox(box);
            }
        }
        if (!run.notices.empty() && !run.notices.back().dismissedTick && (!IsWindow(box) || !IsWindowVisible(box))) {
            run.notices.back().dismissedTick = clickedTick ? clickedTick : GetTickCount();
            clickedTick = 0;
        }
        Sleep(10);
    }
    return run;
}

} // namespace

UninstallerRun DriveUninstaller(const std::wstring& path, const DriveOptions& options)
{
    return Drive(L"\"" + path + L"\"", L"", options);
}

UninstallerRun DriveUninstallerStartedBy(const std::wstring& launcher, const std::wstring& sequencerPath,
                                         const DriveOptions& options)
{
    return Drive(launcher, sequencerPath, options);
}

DWORD WaitForOutlookStartup(const std::wstring& outlookLog, DWORD timeoutMs)
{
    DWORD pid = 0;
    WaitUntil([&] {
        for (const LogLine& line : ReadLog(outlookLog))
            if (line.event == "addin" && line.detail.find("OnStartupComplete") != std::string::npos)
                pid = line.pid;
        return pid != 0;
    }, timeoutMs);
    return pid;
}

SequenceRun RunSequence(const SequenceSetup& setup)
{
    SequenceRun run;
    ScratchFolder folder(setup.folderName);
    folder.CopyFromBin(L"Uninstaller.exe");
    folder.CopyFromBin(L"Recorder.exe");
    folder.CopyFromBin(L"OutlookStandIn.exe");
    if (setup.withRegisterScript)
        folder.WriteText(L"UninstRegister.bat", "@\".\\Recorder.exe\" register --sleep-ms " +
                                                    std::to_string(setup.registerScriptMs) + "\r\n");
    folder.WriteText(L"UninstUnregister.bat", "@\".\\Recorder.exe\" unregister --sleep-ms " +
                                                  std::to_string(setup.unregisterScriptMs) + "\r\n");
    run.outlookPath = folder / L"OutlookStandIn.exe";
    std::optional<PlantedDll> planted;
    if (setup.plantDll)
        planted.emplace(folder.Path());
    SetEnvironmentVariableW(L"NOX_KIT_TEST_FOLDER", folder.Path().c_str()); // what Uninstaller.exe inherits
    std::wstring appPath = setup.appPathsExpandable ? L"%NOX_KIT_TEST_FOLDER%\\OutlookStandIn.exe" : run.outlookPath;
    ScopedRegistryString appPaths(HKEY_LOCAL_MACHINE, kOutlookAppPathKey, L"",
                                  setup.appPathsToStandIn ? std::optional<std::wstring>(appPath) : std::nullopt, 0,
                                  setup.appPathsExpandable ? REG_EXPAND_SZ : REG_SZ);

    std::vector<ChildProcess> outlooks;
    for (int i = 0; i < setup.outlookWindowsAtStart; ++i) {
        outlooks.emplace_back(L"\"" + run.outlookPath + L"\"");
        WaitUntil([&] { return !WindowsOfProcess(outlooks.back().Pid(), true).empty(); }, 5000);
    }
    if (!outlooks.empty())
        run.standInPidAtStart = outlooks.front().Pid();

    const std::wstring recorderLog = folder / L"Recorder.log";
    const std::wstring standInLog = folder / L"OutlookStandIn.log";
    DriveOptions options;
    options.holdNoticeMs = setup.holdNoticeMs;
    if (setup.closeWhenShown)
        options.onMainWindow = [](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); };
    // Like the user, let what the sequencer has just started get going first:
    // the register script, then the restarted Outlook.
    options.beforeDismiss = [&](size_t index, HWND) {
        if (index == 0) {
            if (setup.withRegisterScript)
                WaitUntil([&] { return !ReadScriptRuns(recorderLog).empty(); }, 5000);
        } else if (setup.appPathsToStandIn) {
            WaitUntil([&] { return OutlookWindowsStarted(standInLog) > setup.outlookWindowsAtStart; }, 5000);
        }
    };
    static_cast<UninstallerRun&>(run) = DriveUninstaller(folder / L"Uninstaller.exe", options);

    // The scripts run on their own; wait until each has finished before the
    // folder they run from goes away.
    WaitUntil([&] {
        run.scripts = ReadScriptRuns(recorderLog);
        bool unregisterStarted = run.Script("unregister") != nullptr;
        bool allFinished = std::all_of(run.scripts.begin(), run.scripts.end(),
                                       [](const ScriptRun& s) { return s.finishedTick != 0; });
        bool failed = run.exitCode != 0 && !setup.closeWhenShown; // a close request still unregisters
        return allFinished && (unregisterStarted || !run.exited || failed);
    }, setup.registerScriptMs + setup.unregisterScriptMs + 5000);
    // A run that went its whole way asked these Outlooks to close.
    for (ChildProcess& outlook : outlooks)
        outlook.WaitExit(run.exited && run.exitCode == 0 ? 3000 : 0);
    run.outlook = ReadLog(standInLog);
    EndStandInsLeftRunning(run.outlook);
    run.plantedDllLoaded = planted && planted->Loaded();
    return run;
}

const ScriptRun* SequenceRun::Script(const std::string& which) const
{
    for (const ScriptRun& script : scripts)
        if (script.which == which)
            return &script;
    return nullptr;
}

std::vector<LogLine> SequenceRun::OutlookEvents(const std::string& event) const
{
    std::vector<LogLine> found;
    for (const LogLine& line : outlook)
        if (line.event == event)
            found.push_back(line);
    return found;
}

std::vector<std::string> SequenceRun::Timeline() const
{
    std::vector<std::pair<DWORD, std::string>> events;
    auto add = [&](DWORD tick, const std::string& what) {
        if (tick)
            events.emplace_back(tick, what);
    };
    add(startTick, "Uninstaller.exe started");
    for (const ScriptRun& script : scripts) {
        add(script.tick, script.which + " script started");
        add(script.finishedTick, script.which + " script finished");
    }
    for (const SeenNotice& notice : notices) {
        add(notice.shownTick, "notice shown: [" + Narrow(notice.caption) + "] \"" + Narrow(notice.text) + "\"");
        add(notice.dismissedTick, "notice dismissed (OK)");
    }
    add(main.shownTick, "window \"" + Narrow(main.caption) + "\" shown, label \"" + Narrow(main.label) + "\", client " +
                            std::to_string(main.client.cx) + "x" + std::to_string(main.client.cy) + " px");
    for (const LogLine& line : outlook) {
        std::string who = "Outlook stand-in (pid " + std::to_string(line.pid) + ")";
        if (line.event == "started")
            add(line.tick, who + " started, " + line.detail);
        else if (line.event == "close-received")
            add(line.tick, who + " received WM_CLOSE (" + line.detail + ")");
        else if (line.event == "exited")
            add(line.tick, who + " exited");
    }
    add(exitTick, "Uninstaller.exe ended, exit code " + std::to_string(exitCode));
    std::stable_sort(events.begin(), events.end(),
                     [](const auto& a, const auto& b) { return static_cast<LONG>(a.first - b.first) < 0; });
    std::vector<std::string> lines;
    for (const auto& event : events) {
        std::ostringstream line;
        line << "+" << static_cast<LONG>(event.first - startTick) << " ms  " << event.second;
        lines.push_back(line.str());
    }
    return lines;
}

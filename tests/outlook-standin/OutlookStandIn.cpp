// Stands in for Outlook: one top-level window whose title comes from the
// command line, plus a hidden helper window of the kind real programs own.
// Like Outlook it hosts the registered COM add-ins (AddinHost) over an
// object model whose command bars are those listed in CommandBars.txt
// beside the program, one name a line; they are written back at close, so
// a deleted bar stays deleted. Every start, close request, add-in call and
// exit is appended to OutlookStandIn.log beside the program.
//
//   OutlookStandIn.exe [--title TEXT] [--refuse-close] [--hang-ms N]
//
//   --title         window title (default "Inbox - Microsoft Outlook")
//   --refuse-close  log WM_CLOSE but stay open, as when the user cancels a save
//   --hang-ms N     stop handling messages for N ms once the window is shown
#include "AddinHost.h"
#include "EventLog.h"
#include "FakeOutlook.h"
#include <shellapi.h>
#include <fstream>
#include <string>

namespace {

struct Options {
    std::wstring title = L"Inbox - Microsoft Outlook";
    bool refuseClose = false;
    DWORD hangMs = 0;
};

Options ParseOptions()
{
    Options options;
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        std::wstring arg = args[i];
        if (arg == L"--title" && i + 1 < count)
            options.title = args[++i];
        else if (arg == L"--refuse-close")
            options.refuseClose = true;
        else if (arg == L"--hang-ms" && i + 1 < count)
            options.hangMs = wcstoul(args[++i], nullptr, 10);
    }
    LocalFree(args);
    return options;
}

Options g_options;
HWND g_helper = nullptr;
std::shared_ptr<FakeOutlookState> g_outlook;
AddinHost* g_host = nullptr;

void Log(const std::string& event, const std::string& detail = "")
{
    AppendLogLine(LogBesideProgram(), event, detail);
}

std::wstring BarsFile()
{
    std::wstring log = LogBesideProgram();
    return log.substr(0, log.find_last_of(L'\\') + 1) + L"CommandBars.txt";
}

std::vector<std::wstring> ReadBars()
{
    std::vector<std::wstring> bars;
    for (const std::string& line : ReadLines(BarsFile()))
        bars.push_back(Widen(line));
    return bars;
}

void WriteBars(const std::vector<std::wstring>& bars)
{
    std::ofstream file(BarsFile().c_str(), std::ios::binary | std::ios::trunc);
    for (const std::wstring& bar : bars)
        file << Narrow(bar) << "\r\n";
}

std::string JoinedBars()
{
    std::string joined;
    for (const std::wstring& bar : g_outlook->BarNames())
        joined += (joined.empty() ? "" : "|") + Narrow(bar);
    return joined;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        Log("close-received", g_options.refuseClose ? "refused" : "closing");
        if (g_options.refuseClose)
            return 0;
        // Helper windows go first, while the caller is still inside its send:
        // a close walk that fetched the helper as the next window finds it gone.
        if (g_host)
            g_host->Shutdown();
        WriteBars(g_outlook->BarNames());
        Log("bars", JoinedBars());
        if (g_helper)
            DestroyWindow(g_helper);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // Outlook lives in a folder of its own; the stand-in may share the kit's,
    // where a test plants a DLL that only the kit's programs are to refuse.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    g_options = ParseOptions();
    CoInitialize(nullptr);
    g_outlook = std::make_shared<FakeOutlookState>();
    g_outlook->SetBars(ReadBars());

    STARTUPINFOW startup = {};
    GetStartupInfoW(&startup);
    int requestedShow = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"OutlookStandInWindow";
    RegisterClassW(&windowClass);

    // Created first, so it lies right below the main window in Z order.
    g_helper = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, g_options.title.c_str(), WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    Log("started", "show=" + std::to_string(requestedShow) + " in=" + Narrow(folder) + " title=" + Narrow(g_options.title));
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    Log("bars", JoinedBars());

    IDispatch* application = CreateFakeApplication(g_outlook);
    AddinHost host(Log);
    g_host = &host;
    host.Start(application);

    if (g_options.hangMs) {
        Log("hanging", std::to_string(g_options.hangMs) + "ms");
        Sleep(g_options.hangMs);
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    host.Shutdown();
    g_host = nullptr;
    application->Release();
    CoUninitialize();
    Log("exited");
    return 0;
}

#include "frmMain.h"
#include "AppFolder.h"
#include "FailureReport.h"
#include "NoticeBox.h"
#include "OutlookKill.h"
#include "RegReadWrite.h"
#include "Result.h"
#include "ResourceText.h"
#include "UninstallerText.h"
#include "UniqueResource.h"
#include "WindowMeasures.h"

namespace {

const wchar_t kClassName[] = L"UninstallerMainWindow";
const wchar_t kRegisterScript[] = L"UninstRegister.bat";
const wchar_t kUnregisterScript[] = L"UninstUnregister.bat";
const char kOutlookAppPathKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";

constexpr UINT_PTR kPreUninstallTimer = 1;
constexpr UINT_PTR kStartUninstallTimer = 2;
constexpr UINT kTimerIntervalMs = 2500;
// How long the restart waits for a slow register script (a busy machine, a
// virus scanner): without the add-in registered, the restart removes nothing.
// The timer ticks on meanwhile, so the window keeps answering.
constexpr DWORD kRegisterScriptWaitMs = 60000;

// Layout, in twips.
constexpr int kClientWidth = 2730, kClientHeight = 1275;
constexpr int kLabelLeft = 480, kLabelTop = 360, kLabelWidth = 1815, kLabelHeight = 375;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;

} // namespace

HRESULT FrmMain::Create(HINSTANCE instance)
{
    RETURN_IF_FAILED(ApplicationFolder(folder_));
    RETURN_IF_FAILED(RegisterFormClass(instance, kClassName, WindowProc));
    // An owned window has no taskbar button; the owner itself is never shown.
    owner_ = CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!owner_)
        return LastErrorAsFailure();
    // A top-level window of this program too: a request to close them all
    // (taskkill, the end of the session) reaches it, and is the form's.
    SetWindowLongPtrW(owner_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return CreateForm(LoadText(IDS_WINDOW_CAPTION).c_str(), kStyle, kExStyle, kClientWidth, kClientHeight, owner_,
                      this);
}

void FrmMain::Show()
{
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

LRESULT CALLBACK FrmMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        if (form)
            form->window_ = window;
    }
    auto* form = reinterpret_cast<FrmMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form && window == form->owner_ && (message == WM_CLOSE || message == WM_ENDSESSION))
        window = form->window_;
    if (!form || form->window_ != window)
        return DefWindowProcW(window, message, wParam, lParam);
    return form->OnMessage(message, wParam, lParam);
}

LRESULT FrmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_CLOSE:
    case WM_ENDSESSION: // wParam: the session does end
        if (message == WM_CLOSE || wParam)
            FinishEarly(HRESULT_FROM_WIN32(ERROR_CANCELLED));
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void FrmMain::OnCreate()
{
    // The label keeps its place and height; it widens only where the system's
    // dialog font would not fit its text on one line.
    WideText labelText = LoadText(IDS_LABEL);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    int width = Twips(kLabelWidth);
    WindowDC dc(window_);
    ScopedSelectObject selected(dc.get(), font);
    SIZE text = {};
    if (GetTextExtentPoint32W(dc.get(), labelText.c_str(), static_cast<int>(labelText.size()), &text) &&
        text.cx > width)
        width = text.cx;

    label1_ = CreateLabel(labelText.c_str(), SS_LEFTNOWORDWRAP, kLabelLeft, kLabelTop, width, kLabelHeight, font);
}

void FrmMain::OnTimer(UINT_PTR timerId)
{
    if (timerId == kPreUninstallTimer)
        PreUninstallTimer_Timer();
    else if (timerId == kStartUninstallTimer)
        StartUninstallTimer_Timer();
}

void FrmMain::OnDestroy()
{
    PostQuitMessage(0);
}

void FrmMain::Form_Load()
{
    LaunchScriptOrExit(kRegisterScript, &registerScript_);
    registerStartTick_ = GetTickCount();
    NoticeBox(window_, LoadText(IDS_PROGRAM_TITLE).c_str(), LoadText(IDS_FIRST_NOTICE).c_str());
    step_ = Step::OutlookMayClose;
    CloseOutlookWindows(window_);
    if (!SetTimer(window_, kPreUninstallTimer, kTimerIntervalMs, nullptr))
        FinishEarly(LastErrorAsFailure());
}

void FrmMain::PreUninstallTimer_Timer()
{
    // Not before the add-in is registered: a later tick looks again.
    if (WaitForSingleObject(registerScript_.get(), 0) == WAIT_TIMEOUT &&
        GetTickCount() - registerStartTick_ < kRegisterScriptWaitMs)
        return;
    KillTimer(window_, kPreUninstallTimer);
    // A 64-bit Office writes its App Paths entry in the 64-bit registry view only.
    AnsiText outlook = RegReadFallingBackToView(kOutlookAppPathKey, "", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    if (!outlook.empty())
        LaunchInItsFolderOrExit(WideFromAnsi(outlook.c_str(), outlook.size()).c_str(), ShowState::NormalWithFocus);
    NoticeBox(window_, LoadText(IDS_PROGRAM_TITLE).c_str(), LoadText(IDS_SECOND_NOTICE).c_str());
    CloseOutlookWindows(window_);
    LaunchScriptOrExit(kUnregisterScript);
    step_ = Step::Unregistered;
    if (!SetTimer(window_, kStartUninstallTimer, kTimerIntervalMs, nullptr))
        StartUninstallTimer_Timer();
}

void FrmMain::StartUninstallTimer_Timer()
{
    KillTimer(window_, kStartUninstallTimer);
    DestroyWindow(window_);
    DestroyWindow(owner_);
}

// Whatever ends the sequence early (a close request, the end of the session,
// a timer the system refuses) never leaves the cleanup add-in registered:
// the add-in is unregistered as at the sequence's own end, after the register
// script, and once the user has agreed to Outlook closing, whatever Outlook
// is open (the restarted one holds the add-in) is asked to close first.
// A second request while this one waits starts it over, harmlessly: each
// ends the program once it has started the unregister script.
void FrmMain::FinishEarly(HRESULT why)
{
    if (step_ == Step::Unregistered)
        return StartUninstallTimer_Timer();
    WaitForSingleObject(registerScript_.get(), kRegisterScriptWaitMs);
    if (step_ == Step::OutlookMayClose)
        CloseOutlookWindows(window_);
    LaunchScriptOrExit(kUnregisterScript);
    ExitProcess(static_cast<UINT>(why));
}

void FrmMain::LaunchInItsFolderOrExit(const wchar_t* program, ShowState show)
{
    ExitIfFailed(LaunchInItsFolder(program, show), program);
}

void FrmMain::LaunchScriptOrExit(const wchar_t* scriptName, UniqueHandle* process)
{
    ExitIfFailed(LaunchScript(folder_.c_str(), scriptName, ShowState::Hidden, process),
                 PathInFolder(folder_.c_str(), scriptName).c_str());
}

void FrmMain::ExitIfFailed(HRESULT hr, const wchar_t* started)
{
    if (FAILED(hr)) {
        WideText what = LoadText(IDS_COULD_NOT_START).Append(started);
        ReportFailureAndExit(IsWindowVisible(window_) ? window_ : nullptr, LoadText(IDS_PROGRAM_TITLE).c_str(),
                             what.c_str(), hr);
    }
}

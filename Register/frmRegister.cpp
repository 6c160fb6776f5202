#include "frmRegister.h"
#include "AppFolder.h"
#include "FailureReport.h"
#include "Launch.h"
#include "RegisterText.h"
#include "RegistrationCommand.h"
#include "ResourceText.h"
#include "WindowMeasures.h"

namespace {

const wchar_t kClassName[] = L"RegisterMainWindow";

// Layout, in twips.
constexpr int kClientWidth = 2880, kClientHeight = 420;
constexpr int kLabelLeft = 120, kLabelTop = 120, kLabelWidth = 2775, kLabelHeight = 255;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

} // namespace

void FrmRegister::Form_Load()
{
    Create();
    WideText folder = ApplicationFolder();
    WideText tool = RegistrationTool(folder.c_str());
    HRESULT hr = Launch(tool.c_str(), RegistrationArguments(folder.c_str()).c_str(), ShowState::MinimizedWithFocus);
    Unload();
    if (FAILED(hr)) {
        WideText what = LoadText(IDS_COULD_NOT_START_REGISTRATION).Append(tool);
        ReportFailureAndExit(nullptr, LoadText(IDS_PROGRAM_TITLE).c_str(), what.c_str(), hr);
    }
}

void FrmRegister::Create()
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    dpi_ = ScreenDpi();

    SIZE size = WindowSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, dpi_);
    window_ = CreateWindowExW(kExStyle, kClassName, LoadText(IDS_WINDOW_CAPTION).c_str(), kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, instance_, nullptr);
    CreateWindowExW(0, L"STATIC", LoadText(IDS_LABEL).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, Twips(kLabelLeft),
                    Twips(kLabelTop), Twips(kLabelWidth), Twips(kLabelHeight), window_, nullptr, instance_, nullptr);
}

void FrmRegister::Unload()
{
    if (window_)
        DestroyWindow(window_);
    window_ = nullptr;
}

int FrmRegister::Twips(int twips) const
{
    return TwipsToPixels(twips, dpi_);
}

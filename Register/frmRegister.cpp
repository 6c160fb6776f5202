#include "frmRegister.h"
#include "AppFolder.h"
#include "FailureReport.h"
#include "Launch.h"
#include "RegisterText.h"
#include "RegistrationCommand.h"
#include "ResourceText.h"
#include "Result.h"

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
    // Whatever fails (the window, the folder, the start) is the registration's failure to start.
    HRESULT hr = Create();
    WideText tool = RegistrationTool(folder_.c_str());
    if (SUCCEEDED(hr))
        hr = Launch(tool.c_str(), RegistrationArguments(folder_.c_str()).c_str(), ShowState::MinimizedWithFocus);
    Unload();
    if (FAILED(hr)) {
        WideText what = LoadText(IDS_COULD_NOT_START_REGISTRATION).Append(tool);
        ReportFailureAndExit(nullptr, LoadText(IDS_PROGRAM_TITLE).c_str(), what.c_str(), hr);
    }
}

HRESULT FrmRegister::Create()
{
    RETURN_IF_FAILED(ApplicationFolder(folder_));
    RETURN_IF_FAILED(RegisterFormClass(instance_, kClassName, DefWindowProcW));
    RETURN_IF_FAILED(CreateForm(LoadText(IDS_WINDOW_CAPTION).c_str(), kStyle, kExStyle, kClientWidth, kClientHeight));
    CreateLabel(LoadText(IDS_LABEL).c_str(), SS_LEFT, kLabelLeft, kLabelTop, Twips(kLabelWidth), kLabelHeight);
    return S_OK;
}

void FrmRegister::Unload()
{
    if (window_)
        DestroyWindow(window_);
    window_ = nullptr;
}

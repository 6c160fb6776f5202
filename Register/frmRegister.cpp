#include "frmRegister.h"
#include "AppFolder.h"
#include "FailureReport.h"
#include "Launch.h"
#include "RegisterText.h"
#include "RegistrationCommand.h"
#include "ResourceText.h"

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
    RegisterFormClass(instance_, kClassName, DefWindowProcW);
    CreateForm(LoadText(IDS_WINDOW_CAPTION).c_str(), kStyle, kExStyle, kClientWidth, kClientHeight);
    CreateLabel(LoadText(IDS_LABEL).c_str(), SS_LEFT, kLabelLeft, kLabelTop, Twips(kLabelWidth), kLabelHeight);
}

void FrmRegister::Unload()
{
    if (window_)
        DestroyWindow(window_);
    window_ = nullptr;
}

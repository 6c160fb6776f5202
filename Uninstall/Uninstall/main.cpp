// Uninstaller: clears the product's command bar out of Outlook at uninstall time.
#include "DllSearch.h"
#include "FailureReport.h"
#include "ResourceText.h"
#include "UninstallerText.h"
#include "frmMain.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    RestrictDllSearchToSystemFolder();
    FrmMain form;
    HRESULT hr = form.Create(instance);
    if (FAILED(hr))
        ReportFailureAndExit(nullptr, LoadText(IDS_PROGRAM_TITLE).c_str(),
                             LoadText(IDS_COULD_NOT_CREATE_WINDOW).c_str(), hr);
    form.Form_Load();
    form.Show();

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

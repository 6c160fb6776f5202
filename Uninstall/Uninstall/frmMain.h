#pragma once
#include "Form.h"
#include "Launch.h"

// The sequencer's one window. Its load handler and two timers carry the whole
// uninstall sequence:
//   Form_Load                  register the cleanup add-in, warn, close Outlook
//   PreUninstallTimer_Timer    restart Outlook so the add-in runs, warn, close
//                              Outlook again, unregister the add-in
//   StartUninstallTimer_Timer  end the program
class FrmMain : public Form {
public:
    // Creates the window hidden; it is shown only after Form_Load. The code
    // of the first call that failed, taken at that call.
    HRESULT Create(HINSTANCE instance);
    void Form_Load();
    void Show();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnTimer(UINT_PTR timerId);
    void OnDestroy();

    void PreUninstallTimer_Timer();
    void StartUninstallTimer_Timer();

    // Start a program (in its own folder), or one of the batch files beside
    // this one (hidden), or report the failure and end the program.
    void LaunchInItsFolderOrExit(const wchar_t* program, ShowState show);
    void LaunchScriptOrExit(const wchar_t* scriptName);
    void ExitIfFailed(HRESULT hr, const wchar_t* started);

    HWND owner_ = nullptr;
    HWND label1_ = nullptr;
};

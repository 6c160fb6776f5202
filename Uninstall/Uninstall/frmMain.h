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
    [[nodiscard]] HRESULT Create(HINSTANCE instance);
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
    // Ends the program before the sequence's end, with `why` as exit code,
    // after the cleanup that the steps not yet run would have done.
    void FinishEarly(HRESULT why);

    // Start a program (in its own folder), or one of the batch files beside
    // this one (hidden), or report the failure and end the program.
    void LaunchInItsFolderOrExit(const wchar_t* program, ShowState show);
    void LaunchScriptOrExit(const wchar_t* scriptName, UniqueHandle* process = nullptr);
    void ExitIfFailed(HRESULT hr, const wchar_t* started);

    // How far the sequence has come, for what a close request still has to do.
    enum class Step { Warning, OutlookMayClose, Unregistered };
    Step step_ = Step::Warning;
    UniqueHandle registerScript_;
    DWORD registerStartTick_ = 0;
    WideText folder_; // the program's own, which holds the scripts
    HWND owner_ = nullptr;
    HWND label1_ = nullptr;
};

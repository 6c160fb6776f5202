#pragma once
#include "Text.h"
#include "UniqueResource.h"

// Show states a launched program is asked to start with.
enum class ShowState : WORD {
    Hidden = SW_HIDE,
    NormalWithFocus = SW_SHOWNORMAL,
    MinimizedWithFocus = SW_SHOWMINIMIZED,
};

// A path as it must stand on a command line: in double quotes when it holds
// white space and is not quoted already, so that the system cannot take a
// prefix of it ("C:\Program.exe") for the program, nor split an argument.
WideText QuotePathIfNeeded(const wchar_t* path);

// The program path (quoted as needed), then the arguments after one space.
WideText BuildCommandLine(const wchar_t* program, const wchar_t* arguments);

// Starts a program and returns at once, never waiting for it.
// Fails with the system's error when the process cannot be created.
[[nodiscard]] HRESULT Launch(const wchar_t* program, const wchar_t* arguments, ShowState show);

// The same, with the folder that holds the program (where there is one) as its
// current folder rather than the caller's (a setup's temporary folder, say).
[[nodiscard]] HRESULT LaunchInItsFolder(const wchar_t* program, ShowState show);

// Starts `program` (a full path) with `folder` as its current folder, and
// hands out its process, to wait for. `environment`, where given, is the
// new process's environment block (Unicode) instead of the caller's.
[[nodiscard]] HRESULT LaunchInFolder(const wchar_t* program, const wchar_t* arguments, const wchar_t* folder,
                                     ShowState show, UniqueHandle& process, const wchar_t* environment = nullptr);

// Starts a batch file of `folder` and returns at once: the system folder's
// cmd.exe, by its full path, runs it by its bare name (a plain file name)
// with `folder` as its current folder. The folder never stands on cmd's
// command line, so no character of its name (&, ^, %, !, parentheses) can
// change the command; /d keeps the user's AutoRun command from running with
// the caller's rights, /v:off delayed expansion from reading a "!", and
// ".\" any other script of that name from being found along PATH. Fails
// with ERROR_FILE_NOT_FOUND when the script is not there. Where `process` is
// given, it receives the script's process, to wait for; `environment` is as
// for LaunchInFolder.
[[nodiscard]] HRESULT LaunchScript(const wchar_t* folder, const wchar_t* scriptName, ShowState show,
                                   UniqueHandle* process = nullptr, const wchar_t* environment = nullptr);

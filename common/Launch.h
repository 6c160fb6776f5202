#pragma once
#include "Text.h"

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

// Starts a program or batch file and returns at once, never waiting for it.
// Fails with the system's error when the process cannot be created.
HRESULT Launch(const wchar_t* program, const wchar_t* arguments, ShowState show);

#pragma once
#include "Text.h"

// The pattern with its first "%08X" replaced by the code in eight hex digits;
// everything else, other % sequences included, stands as it is.
WideText FillInCode(const wchar_t* pattern, unsigned code);

// "<what>\n\n<the system's description of hr> (error 0x8007xxxx)".
WideText FailureMessage(const wchar_t* what, HRESULT hr);

// The one way a program of the kit stops on a failed step: it tells the user
// what could not be done and why, then ends with the failure code as exit code
// (E_FAIL for a code that is no failure: the exit code is never 0).
[[noreturn]] void ReportFailureAndExit(HWND owner, const wchar_t* caption, const wchar_t* what, HRESULT hr);

#pragma once
#include "Text.h"

// The command that registers NOX.dll silently with the regsvr32.exe of the
// same folder: "F\regsvr32.exe F\NOX.dll /s", with both paths in quotes when
// the folder holds a space.
WideText RegistrationTool(const wchar_t* folder);
WideText RegistrationArguments(const wchar_t* folder);
WideText RegistrationCommandLine(const wchar_t* folder);

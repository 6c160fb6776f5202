#include "RegistrationCommand.h"
#include "AppFolder.h"
#include "Launch.h"

WideText RegistrationTool(const wchar_t* folder)
{
    return PathInFolder(folder, L"regsvr32.exe");
}

WideText RegistrationArguments(const wchar_t* folder)
{
    return QuotePathIfNeeded(PathInFolder(folder, L"NOX.dll").c_str()).Append(L" /s");
}

WideText RegistrationCommandLine(const wchar_t* folder)
{
    return BuildCommandLine(RegistrationTool(folder).c_str(), RegistrationArguments(folder).c_str());
}

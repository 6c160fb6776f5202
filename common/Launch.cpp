#include "Launch.h"
#include "AppFolder.h"
#include "Result.h"
#include "UniqueResource.h"

WideText QuotePathIfNeeded(const wchar_t* unquoted)
{
    WideText path(unquoted);
    bool quoted = !path.empty() && path[0] == L'"';
    bool hasBlank = path.FindChar(L' ') != WideText::npos || path.FindChar(L'\t') != WideText::npos;
    if (quoted || !hasBlank)
        return path;
    return WideText(L"\"").Append(path).Append(L'"');
}

WideText BuildCommandLine(const wchar_t* program, const wchar_t* arguments)
{
    WideText commandLine = QuotePathIfNeeded(program);
    if (arguments && *arguments)
        commandLine.Append(L' ').Append(arguments);
    return commandLine;
}

namespace {

HRESULT StartProcess(const wchar_t* application, const wchar_t* commandLine, const wchar_t* currentFolder,
                     ShowState show)
{
    // CreateProcessW may write into the command line, so it gets its own copy.
    WideText writable(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(application, const_cast<wchar_t*>(writable.c_str()), nullptr, nullptr, FALSE, 0, nullptr,
                        currentFolder, &startup, &started))
        return LastErrorAsFailure();
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    return S_OK;
}

WideText ScriptCommandLine(const wchar_t* scriptName)
{
    return WideText(L"cmd.exe /d /c ").Append(scriptName);
}

} // namespace

HRESULT Launch(const wchar_t* program, const wchar_t* arguments, ShowState show)
{
    return StartProcess(nullptr, BuildCommandLine(program, arguments).c_str(), nullptr, show);
}

HRESULT LaunchScript(const wchar_t* folder, const wchar_t* scriptName, ShowState show)
{
    if (GetFileAttributesW(PathInFolder(folder, scriptName).c_str()) == INVALID_FILE_ATTRIBUTES)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    WideText cmd;
    HRESULT hr = PathInSystemFolder(L"cmd.exe", cmd);
    if (FAILED(hr))
        return hr;
    return StartProcess(cmd.c_str(), ScriptCommandLine(scriptName).c_str(), folder, show);
}

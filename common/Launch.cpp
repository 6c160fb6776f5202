#include "Launch.h"
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

HRESULT Launch(const wchar_t* program, const wchar_t* arguments, ShowState show)
{
    // CreateProcessW may write into the command line, so it gets its own copy.
    WideText commandLine = BuildCommandLine(program, arguments);
    WideText writable(commandLine.c_str());

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started = {};
    // A batch file is accepted too: the system runs it with its command interpreter.
    if (!CreateProcessW(nullptr, const_cast<wchar_t*>(writable.c_str()), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started))
        return HRESULT_FROM_WIN32(GetLastError());
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    return S_OK;
}

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

[[nodiscard]] HRESULT StartProcess(const wchar_t* application, const wchar_t* commandLine,
                                   const wchar_t* currentFolder, ShowState show, UniqueHandle* keep = nullptr,
                                   const wchar_t* environment = nullptr)
{
    // CreateProcessW may write into the command line, so it gets its own copy.
    WideText writable(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started = {};
    DWORD flags = environment ? CREATE_UNICODE_ENVIRONMENT : 0;
    if (!CreateProcessW(application, const_cast<wchar_t*>(writable.c_str()), nullptr, nullptr, FALSE, flags,
                        const_cast<wchar_t*>(environment), currentFolder, &startup, &started))
        return LastErrorAsFailure();
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    if (keep)
        keep->reset(process.release());
    return S_OK;
}

// /d: no AutoRun command; /v:off: no delayed expansion, which a user's
// registry may switch on, to read a "!" in the folder's name; ".\": the
// script in the current folder only, never one found along PATH.
WideText ScriptCommandLine(const wchar_t* scriptName)
{
    return WideText(L"cmd.exe /d /v:off /c .\\").Append(scriptName);
}

} // namespace

HRESULT Launch(const wchar_t* program, const wchar_t* arguments, ShowState show)
{
    return StartProcess(nullptr, BuildCommandLine(program, arguments).c_str(), nullptr, show);
}

HRESULT LaunchInItsFolder(const wchar_t* program, ShowState show)
{
    WideText path(program);
    if (path.size() >= 2 && path[0] == L'"' && path[path.size() - 1] == L'"')
        path = WideText(program + 1, path.size() - 2);
    // A folder that is not there holds no program either: the start then
    // fails for that reason, not for the folder.
    WideText folder = FolderOfPath(path.c_str());
    DWORD attributes = GetFileAttributesW(folder.c_str());
    bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return StartProcess(nullptr, BuildCommandLine(program, nullptr).c_str(), isFolder ? folder.c_str() : nullptr,
                        show);
}

HRESULT LaunchInFolder(const wchar_t* program, const wchar_t* arguments, const wchar_t* folder, ShowState show,
                       UniqueHandle& process, const wchar_t* environment)
{
    return StartProcess(program, BuildCommandLine(program, arguments).c_str(), folder, show, &process, environment);
}

HRESULT LaunchScript(const wchar_t* folder, const wchar_t* scriptName, ShowState show, UniqueHandle* process,
                     const wchar_t* environment)
{
    if (GetFileAttributesW(PathInFolder(folder, scriptName).c_str()) == INVALID_FILE_ATTRIBUTES)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    WideText cmd;
    RETURN_IF_FAILED(PathInSystemFolder(L"cmd.exe", cmd));
    return StartProcess(cmd.c_str(), ScriptCommandLine(scriptName).c_str(), folder, show, process, environment);
}

#include "AppFolder.h"
#include "Result.h"

WideText FolderOfPath(const wchar_t* path)
{
    size_t length = WideText::Length(path);
    size_t cut = 0;
    for (size_t i = 0; i < length; ++i)
        if (path[i] == L'\\' || path[i] == L'/')
            cut = i;
    return WideText(path, cut);
}

HRESULT ModuleFilePath(HMODULE module, WideText& path)
{
    // Paths may exceed MAX_PATH; grow until the whole name fits.
    for (DWORD capacity = MAX_PATH;; capacity *= 2) {
        DWORD written = GetModuleFileNameW(module, path.Buffer(capacity), capacity);
        if (written == 0)
            return LastErrorAsFailure();
        if (written < capacity) {
            path.Truncate(written);
            return S_OK;
        }
    }
}

HRESULT ApplicationFolder(WideText& folder)
{
    RETURN_IF_FAILED(ModuleFilePath(nullptr, folder));
    folder = FolderOfPath(folder.c_str());
    return S_OK;
}

WideText PathInFolder(const wchar_t* folder, const wchar_t* fileName)
{
    WideText path(folder);
    if (path.empty() || (path[path.size() - 1] != L'\\' && path[path.size() - 1] != L'/'))
        path.Append(L'\\');
    return path.Append(fileName);
}

HRESULT PathInSystemFolder(const wchar_t* fileName, WideText& path)
{
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, ARRAYSIZE(system));
    if (length == 0)
        return LastErrorAsFailure();
    if (length >= ARRAYSIZE(system))
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path = PathInFolder(system, fileName);
    return S_OK;
}

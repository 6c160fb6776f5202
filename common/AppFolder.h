#pragma once
#include "Text.h"

// The folder that holds `path`'s last component, without a trailing separator
// ("C:\Kit\x.exe" -> "C:\Kit", "C:\x.exe" -> "C:").
WideText FolderOfPath(const wchar_t* path);

// The full path of a loaded module's file (null: the running program's).
// Fails with the system's error, never with an empty path.
[[nodiscard]] HRESULT ModuleFilePath(HMODULE module, WideText& path);

// The folder that holds the running program's executable.
[[nodiscard]] HRESULT ApplicationFolder(WideText& folder);

// folder + "\" + fileName, with exactly one separator between them.
WideText PathInFolder(const wchar_t* folder, const wchar_t* fileName);

// fileName in the system folder (which the file system redirects to the
// 32-bit one for a 32-bit process on 64-bit Windows). Fails with the system's
// error, or ERROR_INSUFFICIENT_BUFFER where the folder's path exceeds MAX_PATH.
[[nodiscard]] HRESULT PathInSystemFolder(const wchar_t* fileName, WideText& path);

#pragma once
#include "Text.h"

// The folder that holds `path`'s last component, without a trailing separator
// ("C:\Kit\x.exe" -> "C:\Kit", "C:\x.exe" -> "C:").
WideText FolderOfPath(const wchar_t* path);

// The full path of a loaded module's file (null: the running program's).
WideText ModuleFilePath(HMODULE module);

// The folder that holds the running program's executable.
WideText ApplicationFolder();

// folder + "\" + fileName, with exactly one separator between them.
WideText PathInFolder(const wchar_t* folder, const wchar_t* fileName);

#pragma once
#include "Text.h"

// The text of a queried registry value: its data up to one terminating null,
// which is dropped only when present; empty for data that is not a string.
AnsiText RegistryStringFromData(DWORD type, const char* data, DWORD size);

// A string value from the registry, or the empty string when the key cannot be
// opened or the value cannot be read. An empty value name reads the default.
// A REG_EXPAND_SZ value comes back with its environment strings expanded,
// and empty where that would be longer than the stored value may be.
// `view` may name a registry view (KEY_WOW64_64KEY, KEY_WOW64_32KEY); by
// default the program's own is read.
AnsiText RegRead(const char* keyName, const char* valueName, HKEY root = HKEY_LOCAL_MACHINE, REGSAM view = 0);

// RegRead in the program's own registry view, and in `fallbackView` when that
// gives the empty string. A 32-bit program on 64-bit Windows sees the 32-bit
// view of HKEY_LOCAL_MACHINE\Software; what 64-bit programs (a 64-bit
// Outlook's installer) wrote may be only in the 64-bit one.
AnsiText RegReadFallingBackToView(const char* keyName, const char* valueName, HKEY root, REGSAM fallbackView);

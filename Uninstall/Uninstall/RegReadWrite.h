#pragma once
#include "Text.h"

// The text of a queried registry value: its data up to one terminating null,
// which is dropped only when present; empty for data that is not a string.
AnsiText RegistryStringFromData(DWORD type, const char* data, DWORD size);

// A string value from the registry, or the empty string when the key cannot be
// opened or the value cannot be read. An empty value name reads the default.
AnsiText RegRead(const char* keyName, const char* valueName, HKEY root = HKEY_LOCAL_MACHINE);

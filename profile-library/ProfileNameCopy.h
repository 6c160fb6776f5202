#pragma once
#include <stddef.h>

// Room the caller provides: MAPI's longest profile name, 64 characters, and a null.
constexpr size_t kProfileNameBufferSize = 65;

// Copies a profile name into the caller's buffer, never more than
// kProfileNameBufferSize bytes with the null: a longer name is cut.
void CopyProfileName(char* buffer, const char* name);

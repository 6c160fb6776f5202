#pragma once
#include "Pelmor.h"
#include <stddef.h>

// Room the caller provides, as the callers' header promises.
constexpr size_t kProfileNameBufferSize = PELMOR_PROFILE_NAME_SIZE;

// Copies a profile name into the caller's buffer, never more than
// kProfileNameBufferSize bytes with the null: a longer name is cut.
void CopyProfileName(char* buffer, const char* name);

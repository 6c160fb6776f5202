#pragma once
#include "Text.h"

// A string from the running program's string table (or `module`'s), in the
// user's UI language where it has it (English otherwise); empty if absent.
WideText LoadText(UINT id, HMODULE module = nullptr);

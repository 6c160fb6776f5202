#pragma once
#include "Text.h"

// A string from the running program's string table, in the user's UI
// language where the program has it (English otherwise); empty if absent.
WideText LoadText(UINT id);

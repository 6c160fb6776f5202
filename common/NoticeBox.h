#pragma once
#include <windows.h>

// A modal message box with one OK button and no icon; returns once dismissed.
void NoticeBox(HWND owner, const wchar_t* caption, const wchar_t* text);

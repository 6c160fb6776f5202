#pragma once
#include <windows.h>
#include <string>

// Saves what the screen shows of a window (frame included) as a 24-bit BMP.
bool SaveWindowImage(HWND window, const std::wstring& bmpPath);

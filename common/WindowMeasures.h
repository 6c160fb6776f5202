#pragma once
#include <windows.h>

// Window layout is given in twips, 1/1440 inch: 15 twips make a pixel at 96 dpi.
inline int TwipsToPixels(int twips, int dpi)
{
    return MulDiv(twips, dpi, 1440);
}

// The outer size of a window of the given styles whose client area measures
// the given twips.
SIZE WindowSizeForClient(int widthTwips, int heightTwips, DWORD style, DWORD exStyle, int dpi);

// The screen's dots per inch, as window layout is measured against.
int ScreenDpi();

// A window's device context for the length of a scope.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

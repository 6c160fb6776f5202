#pragma once
// What the kit's forms share: a window class (icon 1, a dialog's face), a
// window whose client area is given in twips at the screen's DPI, labels.
#include "WindowMeasures.h"

class Form {
protected:
    [[nodiscard]] HRESULT RegisterFormClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure);
    // The window, hidden; `param` reaches WM_NCCREATE. The failure's code, taken at the call.
    [[nodiscard]] HRESULT CreateForm(const wchar_t* caption, DWORD style, DWORD exStyle, int widthTwips,
                                     int heightTwips, HWND owner = nullptr, void* param = nullptr);
    // A static control, `width` pixels wide, in `font` where one is given.
    HWND CreateLabel(const wchar_t* text, DWORD style, int leftTwips, int topTwips, int width, int heightTwips,
                     HFONT font = nullptr);
    int Twips(int twips) const { return TwipsToPixels(twips, dpi_); }

    HINSTANCE instance_ = nullptr;
    const wchar_t* className_ = nullptr;
    HWND window_ = nullptr;
    int dpi_ = 96;
};

#pragma once
// What the kit's forms share: a window class of the program's own (its icon
// 1, a dialog's face), a window whose client area is given in twips at the
// screen's DPI, and labels placed in twips.
#include "WindowMeasures.h"

class Form {
protected:
    // Registers the form's window class, with `procedure` for its messages.
    HRESULT RegisterFormClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure);
    // Creates the form's window, hidden, with a client area of the given
    // twips; `param` reaches the window procedure with WM_NCCREATE. The code
    // of the call that failed, taken there.
    HRESULT CreateForm(const wchar_t* caption, DWORD style, DWORD exStyle, int widthTwips, int heightTwips,
                       HWND owner = nullptr, void* param = nullptr);
    // A static control on the form, at a place given in twips (`width` in pixels), in `font` if one is given.
    HWND CreateLabel(const wchar_t* text, DWORD style, int leftTwips, int topTwips, int width, int heightTwips,
                     HFONT font = nullptr);
    int Twips(int twips) const { return TwipsToPixels(twips, dpi_); }

    HINSTANCE instance_ = nullptr;
    const wchar_t* className_ = nullptr;
    HWND window_ = nullptr;
    int dpi_ = 96;
};

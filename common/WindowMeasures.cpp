#include "WindowMeasures.h"

SIZE WindowSizeForClient(int widthTwips, int heightTwips, DWORD style, DWORD exStyle, int dpi)
{
    RECT frame = {0, 0, TwipsToPixels(widthTwips, dpi), TwipsToPixels(heightTwips, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

int ScreenDpi()
{
    WindowDC screen(nullptr);
    return screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

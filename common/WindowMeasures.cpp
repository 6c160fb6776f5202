#include "WindowMeasures.h"

int ScreenDpi()
{
    WindowDC screen(nullptr);
    return screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

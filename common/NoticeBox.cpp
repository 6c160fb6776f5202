#include "NoticeBox.h"

void NoticeBox(HWND owner, const wchar_t* caption, const wchar_t* text)
{
    MessageBoxW(owner, text, caption, MB_OK | MB_SETFOREGROUND);
}

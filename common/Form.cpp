#include "Form.h"
#include "Result.h"

HRESULT Form::RegisterFormClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure)
{
    instance_ = instance;
    className_ = className;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    return RegisterClassExW(&windowClass) ? S_OK : LastErrorAsFailure();
}

HRESULT Form::CreateForm(const wchar_t* caption, DWORD style, DWORD exStyle, int widthTwips, int heightTwips,
                         HWND owner, void* param)
{
    dpi_ = ScreenDpi();
    SIZE size = WindowSizeForClient(widthTwips, heightTwips, style, exStyle, dpi_);
    window_ = CreateWindowExW(exStyle, className_, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
                              owner, nullptr, instance_, param);
    return window_ ? S_OK : LastErrorAsFailure();
}

HWND Form::CreateLabel(const wchar_t* text, DWORD style, int leftTwips, int topTwips, int width, int heightTwips,
                       HFONT font)
{
    HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, Twips(leftTwips), Twips(topTwips),
                                 width, Twips(heightTwips), window_, nullptr, instance_, nullptr);
    if (font)
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return label;
}

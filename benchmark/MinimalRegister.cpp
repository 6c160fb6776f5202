// The least a registrar can do: create and discard a hidden window, start the
// regsvr32.exe beside it minimized on NOX.dll, and end without waiting.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"NOX", WS_POPUP | WS_CAPTION, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 192, 28, nullptr, nullptr, instance, nullptr);
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (length && path[length - 1] != L'\\')
        --length;
    path[length] = 0;
    wchar_t command[3 * MAX_PATH];
    wsprintfW(command, L"\"%sregsvr32.exe\" \"%sNOX.dll\" /s", path, path);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION started = {};
    if (CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    DestroyWindow(window);
    return 0;
}

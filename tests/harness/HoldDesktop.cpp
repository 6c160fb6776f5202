// Keeps the session's desktop in use for as long as the session runs; the
// session's wineserver ends it.
//
// Wine closes a desktop, and ends the explorer that owns its window, a second
// after the last program using it has ended. A program that starts just then
// is handed the desktop window as it is being destroyed, and its first
// CreateWindow fails with ERROR_INVALID_WINDOW_HANDLE. Windows never closes
// the desktop under a running program, so the tests must not see that either.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    GetDesktopWindow();
    Sleep(INFINITE);
    return 0;
}

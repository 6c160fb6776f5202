// Keeps the session's desktop in use for as long as the session runs; the
// session's wineserver ends it. Given a path, it creates that file once the
// desktop is up, so that its starter knows that no later program starts the
// desktop's explorer (which would keep that program's output open for good).
//
// Wine closes a desktop, and ends the explorer that owns its window, a second
// after the last program using it has ended. A program that starts just then
// is handed the desktop window as it is being destroyed, and its first
// CreateWindow fails with ERROR_INVALID_WINDOW_HANDLE. Windows never closes
// the desktop under a running program, so the tests must not see that either.
#include "UniqueResource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR readyFile, int)
{
    GetDesktopWindow();
    if (*readyFile &&
        !UniqueFileHandle(CreateFileW(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)))
        return 1;
    Sleep(INFINITE);
    return 0;
}

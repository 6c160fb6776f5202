#pragma once
// Results of Windows calls as COM failure codes, and the early returns the
// kit writes with them.
#include <windows.h>

// The thread's last error as a failure code, taken right at the call that
// failed; E_FAIL where it left none: a failure is never reported as success.
inline HRESULT LastErrorAsFailure()
{
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Returns the failure of an expression that yields an HRESULT.
#define RETURN_IF_FAILED(expression)                                                                                   \
    do {                                                                                                               \
        const HRESULT returnIfFailedResult = (expression);                                                             \
        if (FAILED(returnIfFailedResult))                                                                              \
            return returnIfFailedResult;                                                                               \
    } while (0)

// The same for a Win32 error code (the registry's functions). Never
// HRESULT_FROM_WIN32(call()): some headers make it a macro that calls twice.
#define RETURN_IF_WIN32_ERROR(expression)                                                                              \
    do {                                                                                                               \
        const LONG returnIfWin32Error = (expression);                                                                  \
        if (returnIfWin32Error != ERROR_SUCCESS)                                                                       \
            return HRESULT_FROM_WIN32(returnIfWin32Error);                                                             \
    } while (0)

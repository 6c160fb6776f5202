#pragma once
// Results of Windows calls as COM failure codes, and the early returns the
// kit writes with them. Every function of the kit that returns an HRESULT is
// [[nodiscard]], and the build makes a dropped one an error.
#include <windows.h>

// The build defines INLINE_HRESULT_FROM_WIN32, so that HRESULT_FROM_WIN32 is
// a function and evaluates its argument once (as a macro it names it twice).
#ifndef INLINE_HRESULT_FROM_WIN32
#error "INLINE_HRESULT_FROM_WIN32 must be defined for the whole build"
#endif

// The thread's last error as a failure code, taken right at the call that
// failed; E_FAIL where it left none: a failure is never reported as success.
[[nodiscard]] inline HRESULT LastErrorAsFailure()
{
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Refuses, at compile time, anything but an HRESULT where one is expected: a
// BOOL, a DWORD error code or a bool would otherwise pass FAILED() unnoticed.
// ("use of deleted function VerifyHresult<...>" names the type given.)
constexpr HRESULT VerifyHresult(HRESULT hr) { return hr; }
template <typename T> HRESULT VerifyHresult(T) = delete;

// Returns the failure of an expression that yields an HRESULT.
#define RETURN_IF_FAILED(expression)                                                                                   \
    do {                                                                                                               \
        const HRESULT returnIfFailedResult = VerifyHresult(expression);                                                \
        if (FAILED(returnIfFailedResult))                                                                              \
            return returnIfFailedResult;                                                                               \
    } while (0)

// The same for a Win32 error code (the registry's functions).
#define RETURN_IF_WIN32_ERROR(expression)                                                                              \
    do {                                                                                                               \
        const LONG returnIfWin32Error = (expression);                                                                  \
        if (returnIfWin32Error != ERROR_SUCCESS)                                                                       \
            return HRESULT_FROM_WIN32(returnIfWin32Error);                                                             \
    } while (0)

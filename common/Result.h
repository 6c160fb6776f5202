#pragma once
// Results of Windows calls as COM failure codes.
#include <windows.h>

// The calling thread's last error as a failure code, to be taken right at the
// call that failed; E_FAIL where that call left none, so that a failure is
// never reported as success.
inline HRESULT LastErrorAsFailure()
{
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The calling thread's last system error as Win32System reports it (GetLastError): the number the
// last failing system call of the thread left. Every implementation of the seam uses this one
// record, so that a caller sees the same value whichever implementation failed.
#pragma once

#include "Source/Windows/Win32Types.h"

namespace devio {

DWORD win32_last_error();
void set_win32_last_error(DWORD error);

// Sets the thread's last error and returns `result`, for one-line failure paths.
template <class Result>
Result fail_with(DWORD error, Result result) {
    set_win32_last_error(error);
    return result;
}

} // namespace devio

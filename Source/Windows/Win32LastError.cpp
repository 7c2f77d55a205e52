#include "Source/Windows/Win32LastError.h"

namespace devio {
namespace {

thread_local DWORD last_error = ERROR_SUCCESS;

} // namespace

DWORD win32_last_error() {
    return last_error;
}

void set_win32_last_error(DWORD error) {
    last_error = error;
}

} // namespace devio

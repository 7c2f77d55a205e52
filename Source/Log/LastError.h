// The calling thread's last-error record: every failing operation of the library returns false (or
// an empty result) and leaves here why it failed. A success leaves the record alone.
#pragma once

#include <cstdint>

#include "Source/Log/ErrorCode.h"

namespace devio {

struct LastError {
    ErrorCode code = ErrorCode::NoError;
    // The system error number, the device's raw RAP error code, or another number the raiser names.
    uint32_t syserr = 0;
    // A short constant description ("CreateFile failed"), or nullptr.
    const char* message = nullptr;
};

// The calling thread's record; zero when the thread starts.
const LastError& last_error() noexcept;
// Sets all three fields of the calling thread's record.
void set_last_error(ErrorCode code, uint32_t syserr = 0, const char* message = nullptr) noexcept;
inline void set_last_error(const LastError& error) noexcept {
    set_last_error(error.code, error.syserr, error.message);
}
// The calling thread's error code as a number, as log lines show it.
inline int last_error_code() noexcept {
    return static_cast<int>(to_underlying(last_error().code));
}

} // namespace devio

#include "Source/Log/LastError.h"

namespace devio {

namespace {
thread_local LastError t_last_error;
}

const LastError& last_error() noexcept {
    return t_last_error;
}

void set_last_error(ErrorCode code, uint32_t syserr, const char* message) noexcept {
    t_last_error = LastError{code, syserr, message};
}

} // namespace devio

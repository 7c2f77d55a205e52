#include "Source/System/SystemError.h"

#include <cerrno>

namespace devio::sys {

namespace {
thread_local uint32_t t_last_error = 0;
}

uint32_t last_system_error() {
    return t_last_error;
}

void set_last_system_error(uint32_t error) {
    t_last_error = error;
}

bool fail_with_errno() {
    t_last_error = static_cast<uint32_t>(errno);
    return false;
}

} // namespace devio::sys

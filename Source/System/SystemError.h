// The calling thread's last system-error number, the stand-in for the platform's "last error".
// Every operation of Source/System that fails returns false (or an empty result) and leaves the
// reason here as an errno value; a success does not clear it.
#pragma once

#include <cstdint>

namespace devio::sys {

uint32_t last_system_error();
void set_last_system_error(uint32_t error);

// Sets the thread's last system error from errno and returns false, for one-line failure paths.
bool fail_with_errno();

} // namespace devio::sys

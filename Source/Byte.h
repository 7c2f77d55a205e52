// One octet of a report. Reports and every payload are vectors of Byte.
#pragma once

#include <cstdint>

namespace devio {

using Byte = uint8_t;

} // namespace devio

// The fixed confirmation that follows the parameters of every enter-DFU command of the DFU
// control features: the ASCII bytes "D", "F", "U".
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

// `parameters` followed by the confirmation.
inline std::vector<Byte> with_dfu_confirmation(std::vector<Byte> parameters) {
    parameters.insert(parameters.end(), {0x44, 0x46, 0x55});
    return parameters;
}

} // namespace devio

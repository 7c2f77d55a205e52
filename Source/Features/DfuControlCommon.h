// What the three generations of DFU control share: the fixed confirmation that follows the
// parameters of every enter-DFU command (the ASCII bytes "D", "F", "U"), and the log line for
// another program's answer on the feature.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

// `parameters` followed by the confirmation.
inline std::vector<Byte> with_dfu_confirmation(std::vector<Byte> parameters) {
    parameters.insert(parameters.end(), {0x44, 0x46, 0x55});
    return parameters;
}

// "<class>::onUnexpectedResponse(func=%d, swid=0x%x)" at level 2, tagged with the class name.
void log_unexpected_dfu_control_response(const char* class_name, unsigned function,
                                         unsigned software_id);

} // namespace devio

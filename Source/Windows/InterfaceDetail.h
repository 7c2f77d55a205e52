// Reads the path of an interface element of a device-information set: the size probe, then the
// detail into a buffer of that size.
#pragma once

#include <string>

#include "Source/Windows/SetupApiTypes.h"

namespace devio {

class Win32System;

enum class InterfaceDetailResult { Read, ProbeFailed, FetchFailed };

// The thread's last error says why a step failed.
InterfaceDetailResult read_interface_path(Win32System& system, HDEVINFO set,
                                          SP_DEVICE_INTERFACE_DATA* interface_data,
                                          std::string* path);

} // namespace devio

// The decoded values of the simple features that users and support look for first: the report
// rate (0x8060), the battery voltage (0x1001) and the friendly name (0x0007), each only where the
// device has the feature and answers.
#pragma once

#include <vector>

#include "tools/devio-probe/ProbeReport.h"

namespace devio {
class IDevice;
} // namespace devio

namespace devio::probe {

// Asks the connected device and appends what it answers to `values` ("report_rate",
// "battery_voltage", "friendly_name"); runs on the collecting thread.
void add_simple_feature_values(IDevice& device, std::vector<ProbeValue>& values);

} // namespace devio::probe

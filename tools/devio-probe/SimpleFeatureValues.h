// The decoded values of the simple features that users and support look for first: the report
// rate (0x8060), the battery voltage (0x1001) and the friendly name (0x0007), each only where the
// device has the feature and answers.
#pragma once

#include <string>
#include <vector>

namespace devio {
class IDevice;
} // namespace devio

namespace devio::probe {

struct ProbeValue {
    std::string name;  // "report rate"
    std::string value; // "8 ms"
    bool operator==(const ProbeValue&) const = default;
};

// Asks the connected device; runs on the collecting thread.
std::vector<ProbeValue> simple_feature_values(IDevice& device);

} // namespace devio::probe

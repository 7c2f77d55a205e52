// The decoded values of the features that help a user or support, for the probe's report: each
// feature that has some adds its own lines. The feature catalogue's listing for --features.
#pragma once

#include <string>
#include <vector>

#include "tools/devio-probe/ProbeReport.h"

namespace devio {
class IDevice;
} // namespace devio

namespace devio::probe {

// Appends the values of the features this module decodes: 0x0005 (name and kind), 0x2201 (DPI
// list and DPI in use of each sensor), 0x1815 (the paired hosts). A feature that fails to answer
// adds nothing.
void add_feature_values(IDevice& device, std::vector<ProbeValue>& values);

// Every feature number the library has a class for, with the class's name, in number order.
std::vector<ProbeFeatureClass> feature_classes();

std::string write_feature_classes_text(const std::vector<ProbeFeatureClass>& classes);
std::string write_feature_classes_json(const std::vector<ProbeFeatureClass>& classes);

} // namespace devio::probe

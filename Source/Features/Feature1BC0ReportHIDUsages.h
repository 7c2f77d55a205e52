// The class of feature 0x1BC0. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1BC0ReportHIDUsages.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1BC0ReportHIDUsages.h"

namespace devio {

class Feature1BC0ReportHIDUsages
    : public GetSetFeature<"Feature1BC0ReportHIDUsages", IFeature1BC0ReportHIDUsages> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetCapabilities(int* capabilities) override;
    [[nodiscard]] bool GetReportingState(bool* reporting) override;
    [[nodiscard]] bool SetReportingState(bool reporting) override;
};

} // namespace devio

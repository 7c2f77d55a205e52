// The class of feature 0x8060. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8060ReportRate.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8060ReportRate.h"

namespace devio {

class Feature8060ReportRate
    : public GetSetFeature<"Feature8060ReportRate", IFeature8060ReportRate> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetReportRateList(int* rates) override;
    [[nodiscard]] bool GetReportRate(int* milliseconds) override;
    [[nodiscard]] bool SetReportRate(int milliseconds) override;
};

} // namespace devio

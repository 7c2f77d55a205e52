// The class of feature 0x8111. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8111LatencyMonitoring.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8111LatencyMonitoring.h"

namespace devio {

class Feature8111LatencyMonitoring
    : public GetSetFeature<"Feature8111LatencyMonitoring", IFeature8111LatencyMonitoring>,
      public Producer<IFeature8111LatencyMonitoring::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetMonitoringState(bool* enabled) override;
    [[nodiscard]] bool SetMonitoringState(bool enabled) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

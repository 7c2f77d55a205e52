// The class of feature 0x1F20. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1F20ADCMeasurement.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1F20ADCMeasurement.h"

namespace devio {

class Feature1F20ADCMeasurement
    : public GetSetFeature<"Feature1F20ADCMeasurement", IFeature1F20ADCMeasurement> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetADCMeasurement(int* value, int* status) override;
    [[nodiscard]] bool SetADCMeasurementEnabled(bool enabled) override;
};

} // namespace devio

// The class of feature 0x1001. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1001BatteryVoltage.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1001BatteryVoltage.h"

namespace devio {

class Feature1001BatteryVoltage
    : public GetSetFeature<"Feature1001BatteryVoltage", IFeature1001BatteryVoltage> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetBatteryVoltage(int* millivolts, int* flags) override;
    [[nodiscard]] bool ShowBatteryStatus() override;
};

} // namespace devio

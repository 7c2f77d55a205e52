// The battery feature's class; the device's battery events are published as
// onBatteryLevelStatus.
#pragma once

#include "Source/Features/IFeature1000BatteryUnifiedLevelStatus.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature1000BatteryUnifiedLeveStatus
    : public FeatureBase<"Feature1000BatteryUnifiedLeveStatus",
                         IFeature1000BatteryUnifiedLevelStatus>,
      public Producer<IFeature1000BatteryUnifiedLevelStatus::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetBatteryLevelStatus(int* BatteryDischargeLevel,
                                             int* BatteryDischargeNextLevel,
                                             int* BatteryStatus) override;
    [[nodiscard]] bool GetBatteryCapability(int* NumberOfLevels, int* Flags,
                                            int* NominalBatteryLife,
                                            int* BatteryCriticalLevel) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

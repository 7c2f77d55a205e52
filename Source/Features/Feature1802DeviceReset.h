// The reset feature's class.
#pragma once

#include "Source/Features/IFeature1802DeviceReset.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature1802DeviceReset
    : public FeatureBase<"Feature1802DeviceReset", IFeature1802DeviceReset> {
public:
    using FeatureBase::FeatureBase;

    void forceDeviceReset() override;
};

} // namespace devio

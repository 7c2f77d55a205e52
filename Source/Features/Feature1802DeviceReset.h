// The reset feature's class.
#pragma once

#include "Source/Features/IFeature1802DeviceReset.h"
#include "Source/Rap/Feature.h"

namespace devio {

class Feature1802DeviceReset : public Feature, public IFeature1802DeviceReset {
public:
    Feature1802DeviceReset(Byte index, std::weak_ptr<Device> device)
        : Feature(kFeatureNumber, index, std::move(device)) {}

    void forceDeviceReset() override;
};

} // namespace devio

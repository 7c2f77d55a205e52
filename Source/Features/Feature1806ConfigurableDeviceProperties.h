// The class of feature 0x1806. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1806ConfigurableDeviceProperties.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1806ConfigurableDeviceProperties.h"

namespace devio {

class Feature1806ConfigurableDeviceProperties
    : public GetSetFeature<"Feature1806ConfigurableDeviceProperties",
                           IFeature1806ConfigurableDeviceProperties> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetDeviceNameMaxCount(int* count) override;
    [[nodiscard]] bool SetDeviceName(int position, const std::string& chunk) override;
    [[nodiscard]] bool SetDeviceExtendedModelID(int model_id) override;
};

} // namespace devio

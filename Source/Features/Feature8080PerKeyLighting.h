// The class of feature 0x8080. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8080PerKeyLighting.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8080PerKeyLighting.h"

namespace devio {

class Feature8080PerKeyLighting
    : public GetSetFeature<"Feature8080PerKeyLighting", IFeature8080PerKeyLighting> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetInfo(int* zones) override;
    [[nodiscard]] bool SetIndividualRGBZones(const std::vector<Byte>& zones_rgb) override;
    [[nodiscard]] bool FrameEnd(bool persist) override;
};

} // namespace devio

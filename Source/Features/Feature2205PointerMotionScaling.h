// The class of feature 0x2205. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature2205PointerMotionScaling.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature2205PointerMotionScaling.h"

namespace devio {

class Feature2205PointerMotionScaling
    : public GetSetFeature<"Feature2205PointerMotionScaling", IFeature2205PointerMotionScaling> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetPointerScalingValue(int* value) override;
    [[nodiscard]] bool SetPointerScalingValue(int value) override;
};

} // namespace devio

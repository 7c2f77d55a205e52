// The class of feature 0x2230. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature2230AngleSnapping.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature2230AngleSnapping.h"

namespace devio {

class Feature2230AngleSnapping
    : public GetSetFeature<"Feature2230AngleSnapping", IFeature2230AngleSnapping> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetAngleSnapping(bool* enabled) override;
    [[nodiscard]] bool SetAngleSnapping(bool enabled) override;
};

} // namespace devio

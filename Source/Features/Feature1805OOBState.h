// The class of feature 0x1805. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1805OOBState.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1805OOBState.h"

namespace devio {

class Feature1805OOBState : public GetSetFeature<"Feature1805OOBState", IFeature1805OOBState> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool SetOobState() override;
};

} // namespace devio

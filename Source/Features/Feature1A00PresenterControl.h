// The class of feature 0x1A00. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1A00PresenterControl.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1A00PresenterControl.h"

namespace devio {

class Feature1A00PresenterControl
    : public GetSetFeature<"Feature1A00PresenterControl", IFeature1A00PresenterControl> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetCapabilities(int* modes) override;
    [[nodiscard]] bool GetMode(int* mode) override;
    [[nodiscard]] bool SetMode(int mode) override;
};

} // namespace devio

// The class of feature 0x6010. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature6010Gestures.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature6010Gestures.h"

namespace devio {

class Feature6010Gestures : public GetSetFeature<"Feature6010Gestures", IFeature6010Gestures> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetSupportedGestures(int* gestures) override;
    [[nodiscard]] bool GetEnabledGestures(int* gestures) override;
    [[nodiscard]] bool SetEnabledGestures(int gestures) override;
};

} // namespace devio

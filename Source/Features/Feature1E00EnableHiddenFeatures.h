// The class of feature 0x1E00. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1E00EnableHiddenFeatures.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1E00EnableHiddenFeatures.h"

namespace devio {

class Feature1E00EnableHiddenFeatures
    : public GetSetFeature<"Feature1E00EnableHiddenFeatures", IFeature1E00EnableHiddenFeatures> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetEnableHiddenFeatures(bool* enabled) override;
    [[nodiscard]] bool SetEnableHiddenFeatures(bool enabled) override;
};

} // namespace devio

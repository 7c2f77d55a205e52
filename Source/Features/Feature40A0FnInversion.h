// The class of feature 0x40A0. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature40A0FnInversion.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature40A0FnInversion.h"

namespace devio {

class Feature40A0FnInversion
    : public GetSetFeature<"Feature40A0FnInversion", IFeature40A0FnInversion> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetGlobalFnInversion(bool* inverted) override;
    [[nodiscard]] bool SetGlobalFnInversion(bool inverted) override;
};

} // namespace devio

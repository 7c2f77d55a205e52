// The class of feature 0x8300. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8300Sidetone.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8300Sidetone.h"

namespace devio {

class Feature8300Sidetone : public GetSetFeature<"Feature8300Sidetone", IFeature8300Sidetone> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool getSidetoneLevel(int* level) override;
    [[nodiscard]] bool setSidetoneLevel(int level) override;
};

} // namespace devio

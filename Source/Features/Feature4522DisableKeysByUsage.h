// The class of feature 0x4522. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature4522DKU.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature4522DKU.h"

namespace devio {

class Feature4522DisableKeysByUsage
    : public GetSetFeature<"Feature4522DisableKeysByUsage", IFeature4522DKU> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetCapabilities(int* max_disabled) override;
    [[nodiscard]] bool DisableKeys(const std::vector<Byte>& usages) override;
    [[nodiscard]] bool EnableKeys(const std::vector<Byte>& usages) override;
    [[nodiscard]] bool EnableAllKeys() override;
};

} // namespace devio

// The class of feature 0x4540. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature4540KBLayout.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature4540KBLayout.h"

namespace devio {

class Feature4540KBLayout : public GetSetFeature<"Feature4540KBLayout", IFeature4540KBLayout> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetKeyboardLayout(int* layout) override;
};

} // namespace devio

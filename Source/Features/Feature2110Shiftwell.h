// The class of feature 0x2110. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature2110Shiftwell.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature2110Shiftwell.h"

namespace devio {

class Feature2110Shiftwell : public GetSetFeature<"Feature2110Shiftwell", IFeature2110Shiftwell> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetCapabilities(int* capabilities) override;
    [[nodiscard]] bool GetStatus(int* mode, int* threshold) override;
    [[nodiscard]] bool SetStatus(int mode, int threshold) override;
};

} // namespace devio

// The class of feature 0x2006. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature2006PointerAxesOrientation.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature2006PointerAxesOrientation.h"

namespace devio {

class Feature2006PointerAxesOrientation : public GetSetFeature<"Feature2006PointerAxesOrientation",
                                                               IFeature2006PointerAxesOrientation> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetAxesOrientation(int* orientation, int* default_orientation) override;
    [[nodiscard]] bool SetAxesOrientation(int orientation) override;
};

} // namespace devio

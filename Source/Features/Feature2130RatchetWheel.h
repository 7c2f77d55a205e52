// The class of feature 0x2130. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature2130RatchetWheel.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature2130RatchetWheel.h"

namespace devio {

class Feature2130RatchetWheel
    : public GetSetFeature<"Feature2130RatchetWheel", IFeature2130RatchetWheel>,
      public Producer<IFeature2130RatchetWheel::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetWheelMode(int* mode) override;
    [[nodiscard]] bool SetWheelMode(int mode) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

// The class of feature 0x1981. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1981KeyboardBacklight.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1981KeyboardBacklight.h"

namespace devio {

class Feature1981KeyboardBacklight
    : public GetSetFeature<"Feature1981KeyboardBacklight", IFeature1981KeyboardBacklight>,
      public Producer<IFeature1981KeyboardBacklight::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetBacklightDuration(int* seconds) override;
    [[nodiscard]] bool SetBacklightDuration(int seconds) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

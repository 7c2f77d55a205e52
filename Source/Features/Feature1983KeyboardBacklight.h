// The class of feature 0x1983. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1983KeyboardBacklight.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1983KeyboardBacklight.h"

namespace devio {

class Feature1983KeyboardBacklight
    : public GetSetFeature<"Feature1983KeyboardBacklight", IFeature1983KeyboardBacklight>,
      public Producer<IFeature1983KeyboardBacklight::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetBacklightInfo(int* levels, int* level) override;
    [[nodiscard]] bool GetBacklightConfig(bool* enabled, int* effect) override;
    [[nodiscard]] bool SetBacklightConfig(bool enabled, int effect) override;
    [[nodiscard]] bool SetBacklightLevel(int level) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

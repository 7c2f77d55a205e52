// The class of feature 0x1982. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1982Backlight.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1982Backlight.h"

namespace devio {

class Feature1982Backlight : public GetSetFeature<"Feature1982Backlight", IFeature1982Backlight>,
                             public Producer<IFeature1982Backlight::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetBacklightConfig(bool* enabled, int* options) override;
    [[nodiscard]] bool SetBacklightConfig(bool enabled, int options) override;
    [[nodiscard]] bool GetBacklightInfo(int* levels, int* level) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

// The class of feature 0x8030. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8030MR.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8030MR.h"

namespace devio {

class Feature8030MR : public GetSetFeature<"Feature8030MR", IFeature8030MR>,
                      public Producer<IFeature8030MR::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool SetLED(bool on) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

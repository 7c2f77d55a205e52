// The class of feature 0x8020. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8020Mkeys.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8020Mkeys.h"

namespace devio {

class Feature8020Mkeys : public GetSetFeature<"Feature8020Mkeys", IFeature8020Mkeys>,
                         public Producer<IFeature8020Mkeys::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetCount(int* count) override;
    [[nodiscard]] bool SetLEDs(int leds) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

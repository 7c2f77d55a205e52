// The class of feature 0x4530. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature4530DualPlatform.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature4530DualPlatform.h"

namespace devio {

class Feature4530DualPlatform
    : public GetSetFeature<"Feature4530DualPlatform", IFeature4530DualPlatform>,
      public Producer<IFeature4530DualPlatform::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetPlatform(int* platform) override;
    [[nodiscard]] bool SetPlatform(int platform) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

// The class of feature 0x4531. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature4531MultiPlatform.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature4531MultiPlatform.h"

namespace devio {

class Feature4531MultiPlatform
    : public GetSetFeature<"Feature4531MultiPlatform", IFeature4531MultiPlatform>,
      public Producer<IFeature4531MultiPlatform::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetFeatureInfos(int* capabilities, int* platforms,
                                       int* descriptors) override;
    [[nodiscard]] bool GetPlatformDescriptor(int index, int* platform, int* platform_index,
                                             int* os_mask) override;
    [[nodiscard]] bool GetHostPlatform(int host, int* status, int* platform_index) override;
    [[nodiscard]] bool setHostPlatform(int host, int platform_index) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

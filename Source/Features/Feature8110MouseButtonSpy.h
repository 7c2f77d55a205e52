// The class of feature 0x8110. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8110MouseButtonSpy.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8110MouseButtonSpy.h"

namespace devio {

class Feature8110MouseButtonSpy
    : public GetSetFeature<"Feature8110MouseButtonSpy", IFeature8110MouseButtonSpy>,
      public Producer<IFeature8110MouseButtonSpy::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetNbButtons(int* count) override;
    [[nodiscard]] bool StartSpy() override;
    [[nodiscard]] bool StopSpy() override;
    [[nodiscard]] bool GetRemapping(std::vector<Byte>* remapping) override;
    [[nodiscard]] bool SetRemapping(const std::vector<Byte>& remapping) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

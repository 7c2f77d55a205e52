// The class of feature 0x1B00. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1B00SpecialKeys.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1B00SpecialKeys.h"

namespace devio {

class Feature1B00SpecialKeys
    : public GetSetFeature<"Feature1B00SpecialKeys", IFeature1B00SpecialKeys>,
      public Producer<IFeature1B00SpecialKeys::KeyReport> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetCount(int* count) override;
    [[nodiscard]] bool GetCidInfo(int index, int* control_id, int* task_id, int* flags) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

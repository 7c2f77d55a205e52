// The class of feature 0x1C00. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature1C00PersistentRemappableAction.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature1C00PersistentRemappableAction.h"

namespace devio {

class Feature1C00PersistentRemappableAction
    : public GetSetFeature<"Feature1C00PersistentRemappableAction",
                           IFeature1C00PersistentRemappableAction> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetCount(int* count) override;
    [[nodiscard]] bool GetCidInfo(int index, int* control_id, int* flags) override;
    [[nodiscard]] bool GetRemapping(int control_id, int* action) override;
    [[nodiscard]] bool SetRemapping(int control_id, int action) override;
};

} // namespace devio

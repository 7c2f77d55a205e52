// The class of feature 0x6012. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature6012Gestures.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature6012Gestures.h"

namespace devio {

class Feature6012Gestures : public GetSetFeature<"Feature6012Gestures", IFeature6012Gestures> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetGestureCount(int* count) override;
    [[nodiscard]] bool GetGesture(int index, int* gesture_id, bool* enabled) override;
    [[nodiscard]] bool SetGesture(int index, bool enabled) override;
};

} // namespace devio

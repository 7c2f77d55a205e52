// The class of feature 0x6500. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature6500Gestures.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature6500Gestures.h"

namespace devio {

class Feature6500Gestures : public GetSetFeature<"Feature6500Gestures", IFeature6500Gestures>,
                            public Producer<IFeature6500Gestures::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetGestureIDInfo(int index, int* count, int* gesture_id,
                                        int* flags) override;
    [[nodiscard]] bool IsEnabled(int gesture_id, bool* enabled) override;
    [[nodiscard]] bool Enable(int gesture_id, bool enabled) override;
    [[nodiscard]] bool IsDiverted(int gesture_id, bool* diverted) override;
    [[nodiscard]] bool Divert(int gesture_id, bool diverted) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

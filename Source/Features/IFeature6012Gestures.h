// The gesture feature 0x6012 of touch pads, per gesture: how many there are, and each one on or
// off.
// Layouts (this library's choice): the count is one byte; a gesture is given by its index and
// answers its id and whether it is on.
#pragma once

namespace devio {

class IFeature6012Gestures {
public:
    static constexpr int kFeatureNumber = 0x6012;

    virtual ~IFeature6012Gestures() = default;

    [[nodiscard]] virtual bool GetGestureCount(int* count) = 0;
    [[nodiscard]] virtual bool GetGesture(int index, int* gesture_id, bool* enabled) = 0;
    [[nodiscard]] virtual bool SetGesture(int index, bool enabled) = 0;
};

} // namespace devio

// The pointer-scaling feature 0x2205: the factor the device applies to its pointer's movement.
// Layouts (this library's choice): the value is 16 bits big-endian. Changing it claims the device's
// configuration first.
#pragma once

namespace devio {

class IFeature2205PointerMotionScaling {
public:
    static constexpr int kFeatureNumber = 0x2205;

    virtual ~IFeature2205PointerMotionScaling() = default;

    [[nodiscard]] virtual bool GetPointerScalingValue(int* value) = 0;
    [[nodiscard]] virtual bool SetPointerScalingValue(int value) = 0;
};

} // namespace devio

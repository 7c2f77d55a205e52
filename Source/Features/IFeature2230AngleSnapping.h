// The angle-snapping feature 0x2230: whether the device straightens nearly straight pointer lines.
#pragma once

namespace devio {

class IFeature2230AngleSnapping {
public:
    static constexpr int kFeatureNumber = 0x2230;

    virtual ~IFeature2230AngleSnapping() = default;

    [[nodiscard]] virtual bool GetAngleSnapping(bool* enabled) = 0;
    [[nodiscard]] virtual bool SetAngleSnapping(bool enabled) = 0;
};

} // namespace devio

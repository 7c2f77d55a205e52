// The pointer-axes feature 0x2006: how the sensor's axes are turned.
// Layouts (this library's choice): the orientation and the default orientation are one byte each.
#pragma once

namespace devio {

class IFeature2006PointerAxesOrientation {
public:
    static constexpr int kFeatureNumber = 0x2006;

    virtual ~IFeature2006PointerAxesOrientation() = default;

    [[nodiscard]] virtual bool GetAxesOrientation(int* orientation, int* default_orientation) = 0;
    [[nodiscard]] virtual bool SetAxesOrientation(int orientation) = 0;
};

} // namespace devio

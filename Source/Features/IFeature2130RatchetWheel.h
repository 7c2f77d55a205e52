// The ratchet-wheel feature 0x2130: a wheel that turns in steps or freely.
// Layouts (this library's choice): the mode is one byte (bit 0: ratchet); the event carries the
// wheel's movement as signed 16 bits big-endian. Changing the mode claims the device's
// configuration first.
#pragma once

namespace devio {

class IFeature2130RatchetWheel {
public:
    static constexpr int kFeatureNumber = 0x2130;

    // The wheel moved (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onWheelMovement(int /*movement*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature2130RatchetWheel() = default;

    [[nodiscard]] virtual bool GetWheelMode(int* mode) = 0;
    [[nodiscard]] virtual bool SetWheelMode(int mode) = 0;
};

} // namespace devio

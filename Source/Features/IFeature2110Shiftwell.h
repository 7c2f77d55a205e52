// The shift-wheel feature 0x2110: a wheel whose mode changes by itself with its speed.
// Layouts (this library's choice): the capabilities byte, and the mode byte with the automatic-
// shift threshold.
#pragma once

namespace devio {

class IFeature2110Shiftwell {
public:
    static constexpr int kFeatureNumber = 0x2110;

    virtual ~IFeature2110Shiftwell() = default;

    [[nodiscard]] virtual bool GetCapabilities(int* capabilities) = 0;
    [[nodiscard]] virtual bool GetStatus(int* mode, int* threshold) = 0;
    [[nodiscard]] virtual bool SetStatus(int mode, int threshold) = 0;
};

} // namespace devio

// The keyboard-backlight feature 0x1981: how long the backlight stays on after the last key.
// Layouts (this library's choice): the duration in seconds, 16 bits big-endian; the event carries
// the new backlight level in byte 0.
#pragma once

namespace devio {

class IFeature1981KeyboardBacklight {
public:
    static constexpr int kFeatureNumber = 0x1981;

    // The backlight changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onBacklightChangeEvent(int /*level*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature1981KeyboardBacklight() = default;

    [[nodiscard]] virtual bool GetBacklightDuration(int* seconds) = 0;
    [[nodiscard]] virtual bool SetBacklightDuration(int seconds) = 0;
};

} // namespace devio

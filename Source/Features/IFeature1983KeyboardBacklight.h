// The keyboard-backlight feature 0x1983: levels, configuration and the level of a keyboard's
// backlight.
// Layouts (this library's choice): the information is the number of levels and the current level;
// the configuration an enabled byte and an effect byte; the event carries the current level and the
// effect.
#pragma once

namespace devio {

class IFeature1983KeyboardBacklight {
public:
    static constexpr int kFeatureNumber = 0x1983;

    // The backlight changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onBacklightEventChange(int /*level*/, int /*effect*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature1983KeyboardBacklight() = default;

    [[nodiscard]] virtual bool GetBacklightInfo(int* levels, int* level) = 0;
    [[nodiscard]] virtual bool GetBacklightConfig(bool* enabled, int* effect) = 0;
    [[nodiscard]] virtual bool SetBacklightConfig(bool enabled, int effect) = 0;
    [[nodiscard]] virtual bool SetBacklightLevel(int level) = 0;
};

} // namespace devio

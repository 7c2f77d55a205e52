// The backlight feature 0x1982: backlight on or off with its options, and its levels.
// Layouts (this library's choice): the configuration is an enabled byte and an options byte; the
// information is the number of levels and the current level; the event carries the information's
// two bytes.
#pragma once

namespace devio {

class IFeature1982Backlight {
public:
    static constexpr int kFeatureNumber = 0x1982;

    // The backlight's level changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onBacklightInfoEvent(int /*levels*/, int /*level*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature1982Backlight() = default;

    [[nodiscard]] virtual bool GetBacklightConfig(bool* enabled, int* options) = 0;
    [[nodiscard]] virtual bool SetBacklightConfig(bool enabled, int options) = 0;
    [[nodiscard]] virtual bool GetBacklightInfo(int* levels, int* level) = 0;
};

} // namespace devio

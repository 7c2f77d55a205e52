// The button-swap feature 0x2005: whether the device swaps its primary and secondary buttons.
// A change made while the device is away is held and written on its next connection.
#pragma once

namespace devio {

class IFeature2005ButtonSwapCancel {
public:
    static constexpr int kFeatureNumber = 0x2005;

    // Another program changed the setting. Produced on the transport's read thread.
    class SettingChange {
    public:
        virtual void onSettingChange(unsigned /*software_id*/, bool /*swap_enabled*/) {}
        virtual ~SettingChange() = default;
    };

    virtual ~IFeature2005ButtonSwapCancel() = default;

    [[nodiscard]] virtual bool GetSwapMode(bool* swap_enabled) = 0;
    // Writes the setting now, or, when the device is not connected, holds it for the next
    // connection (and succeeds).
    [[nodiscard]] virtual bool SetSwapMode(bool swap_enabled) = 0;
    // Writes the setting now.
    [[nodiscard]] virtual bool SetSwapModeNow(bool swap_enabled) = 0;
};

} // namespace devio

// The disable-keys feature 0x4521: keys a keyboard can switch off (Caps Lock, Num Lock, Scroll
// Lock, Insert, Windows key), as a bit mask. A change made while the device is away is held and
// written on its next connection.
#pragma once

namespace devio {

class IFeature4521DisableKeys {
public:
    static constexpr int kFeatureNumber = 0x4521;

    // Another program changed the disabled keys. Produced on the transport's read thread.
    class SettingChange {
    public:
        virtual void onSettingChange(unsigned /*software_id*/, int /*disabled_keys*/) {}
        virtual ~SettingChange() = default;
    };

    virtual ~IFeature4521DisableKeys() = default;

    // The keys the device can disable.
    [[nodiscard]] virtual bool GetCapabilities(int* disableable_keys) = 0;
    [[nodiscard]] virtual bool GetDisabledKeys(int* disabled_keys) = 0;
    // Writes the mask now, or, when the device is not connected, holds it for the next
    // connection (and succeeds).
    [[nodiscard]] virtual bool SetDisabledKeys(int disabled_keys) = 0;
    [[nodiscard]] virtual bool SetDisabledKeysNow(int disabled_keys) = 0;
};

} // namespace devio

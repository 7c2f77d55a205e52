// The Fn-inversion feature 0x40A2: whether the top row of a keyboard sends its function keys
// (F1..F12) or its media keys without Fn held. A change made while the device is away is held and
// written on its next connection.
#pragma once

namespace devio {

class IFeature40A2FnInversion {
public:
    static constexpr int kFeatureNumber = 0x40A2;

    // The setting changed: by the user on the device (software id 0) or by another program.
    // Produced on the transport's read thread.
    class SettingChange {
    public:
        virtual void onSettingChange(unsigned /*software_id*/, bool /*inverted*/) {}
        virtual ~SettingChange() = default;
    };

    virtual ~IFeature40A2FnInversion() = default;

    [[nodiscard]] virtual bool GetGlobalFnInversion(bool* inverted, bool* default_inverted) = 0;
    // Writes the setting now, or, when the device is not connected, holds it for the next
    // connection (and succeeds).
    [[nodiscard]] virtual bool SetGlobalFnInversion(bool inverted) = 0;
    [[nodiscard]] virtual bool SetGlobalFnInversionNow(bool inverted) = 0;
};

} // namespace devio

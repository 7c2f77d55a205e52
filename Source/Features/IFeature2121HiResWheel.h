// The high-resolution wheel feature 0x2121: the wheel's resolution, direction and reporting
// target, its ratchet switch, and the wheel movements it reports to software.
#pragma once

#include <cstdint>

namespace devio {

class IFeature2121HiResWheel {
public:
    static constexpr int kFeatureNumber = 0x2121;

    // Produced on the transport's read thread.
    class Report {
    public:
        virtual void onWheelMovement(bool /*high_resolution*/, int /*periods*/,
                                     int16_t /*movement1*/, int16_t /*movement2*/) {}
        virtual ~Report() = default;
    };
    class RatchetSwitch {
    public:
        virtual void onRatchetSwitch(bool /*ratchet*/) {}
        virtual ~RatchetSwitch() = default;
    };
    // Another program set the wheel mode.
    class SettingChange {
    public:
        virtual void onSettingChange(unsigned /*software_id*/, bool /*target*/, bool /*resolution*/,
                                     bool /*invert*/, int /*byte1*/, int /*byte2*/) {}
        virtual ~SettingChange() = default;
    };

    virtual ~IFeature2121HiResWheel() = default;

    // The wheel's multiplier and whether it has a ratchet switch and can invert.
    [[nodiscard]] virtual bool GetWheelCapability(int* multiplier, bool* has_switch,
                                                  bool* has_invert) = 0;
    // target: reports go to software (true) or to the system's HID stack; resolution: high.
    [[nodiscard]] virtual bool GetWheelMode(bool* target, bool* resolution, bool* invert) = 0;
    [[nodiscard]] virtual bool SetWheelMode(bool target, bool resolution, bool invert) = 0;
    [[nodiscard]] virtual bool GetRatchetSwitchState(bool* ratchet) = 0;
    // Counts of wheel rotations the device kept since they were last cleared.
    [[nodiscard]] virtual bool GetAnalyticsData(int* rotations_up, int* rotations_down) = 0;
    [[nodiscard]] virtual bool SetAnalyticsMode(bool enabled) = 0;
};

} // namespace devio

// The high-resolution wheel feature's class: the device's wheel and ratchet events, and another
// program's SetWheelMode published as SettingChange.
//
// Layouts left open by the protocol and chosen as a wheel of this kind answers (function: request
// -> answer read): 0: -> [multiplier, flags (bit 3 ratchet switch, bit 2 invert)], kept in the
// response cache; 1: -> [mode (bit 0 target, bit 1 resolution, bit 2 invert)]; 2: [mode] ->
// [mode]; 3: -> [ratchet (bit 0)]; 4: -> [up (16 bits), down (16 bits)]; 5: [enabled] -> nothing.
#pragma once

#include "Source/Features/IFeature2121HiResWheel.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature2121HiResWheel : public FeatureBase<"Feature2121HiResWheel", IFeature2121HiResWheel>,
                              public Producer<IFeature2121HiResWheel::Report>,
                              public Producer<IFeature2121HiResWheel::RatchetSwitch>,
                              public Producer<IFeature2121HiResWheel::SettingChange> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetWheelCapability(int* multiplier, bool* has_switch,
                                          bool* has_invert) override;
    [[nodiscard]] bool GetWheelMode(bool* target, bool* resolution, bool* invert) override;
    [[nodiscard]] bool SetWheelMode(bool target, bool resolution, bool invert) override;
    [[nodiscard]] bool GetRatchetSwitchState(bool* ratchet) override;
    [[nodiscard]] bool GetAnalyticsData(int* rotations_up, int* rotations_down) override;
    [[nodiscard]] bool SetAnalyticsMode(bool enabled) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
};

} // namespace devio

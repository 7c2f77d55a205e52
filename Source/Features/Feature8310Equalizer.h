// The equalizer feature's class.
//
// Layouts left open by the protocol and chosen as a headset of this kind answers (function:
// request -> answer read): 0: -> [band count, dB range, capabilities], cached; 1: [first] ->
// [first, frequency (16 bits)...], cached, as many entries as fit before the band count is
// reached; 2: -> [gain (signed byte) per band]; 3: [gain per band] after set_configured;
// 4: -> [enabled]; 5: [0 or 1], any other value refused with Rap20Error + 2 before sending.
// The band count of getEQInfo bounds what the gains and frequencies read; at most 15 bands fit
// one request.
#pragma once

#include "Source/Features/IFeature8310Equalizer.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature8310Equalizer : public FeatureBase<"Feature8310Equalizer", IFeature8310Equalizer> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool getEQInfo(EQInfo* info) override;
    [[nodiscard]] bool getFrequencies(int first, std::vector<int>* frequencies) override;
    [[nodiscard]] bool getGains(std::vector<int>* gains) override;
    [[nodiscard]] bool setGains(const std::vector<int>& gains) override;
    [[nodiscard]] bool getEQEnabled(bool* enabled) override;
    [[nodiscard]] bool setEQEnabled(int enabled) override;

private:
    bool band_count(int& count);
};

} // namespace devio

// The equalizer feature 0x8310 of a headset: its bands, their frequencies and gains.
#pragma once

#include <vector>

namespace devio {

class IFeature8310Equalizer {
public:
    static constexpr int kFeatureNumber = 0x8310;

    struct EQInfo {
        int band_count = 0;
        int db_range = 0; // gains go from -range to +range dB
        int capabilities = 0;
    };

    virtual ~IFeature8310Equalizer() = default;

    [[nodiscard]] virtual bool getEQInfo(EQInfo* info) = 0;
    // The centre frequencies (Hz) of the bands from `first` on, as many as one answer carries.
    [[nodiscard]] virtual bool getFrequencies(int first, std::vector<int>* frequencies) = 0;
    // The gain (dB) of every band.
    [[nodiscard]] virtual bool getGains(std::vector<int>* gains) = 0;
    [[nodiscard]] virtual bool setGains(const std::vector<int>& gains) = 0;
    [[nodiscard]] virtual bool getEQEnabled(bool* enabled) = 0;
    // Takes 0 or 1 only.
    [[nodiscard]] virtual bool setEQEnabled(int enabled) = 0;
};

} // namespace devio

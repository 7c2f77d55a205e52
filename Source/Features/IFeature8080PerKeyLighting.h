// The per-key lighting feature 0x8080: the colour of each key.
// Layouts (this library's choice): the information is the number of zones (16 bits big-endian);
// colours are sent as up to four groups of zone index, red, green and blue, and take effect with
// the frame end, whose byte says whether they persist.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature8080PerKeyLighting {
public:
    static constexpr int kFeatureNumber = 0x8080;

    virtual ~IFeature8080PerKeyLighting() = default;

    [[nodiscard]] virtual bool GetInfo(int* zones) = 0;
    // Groups of zone, red, green, blue; at most the first 16 bytes are sent.
    [[nodiscard]] virtual bool SetIndividualRGBZones(const std::vector<Byte>& zones_rgb) = 0;
    [[nodiscard]] virtual bool FrameEnd(bool persist) = 0;
};

} // namespace devio

// The adjustable-DPI feature 0x2201: the resolutions a mouse's sensors offer and the one in use.
#pragma once

#include <vector>

namespace devio {

class IFeature2201AdjustableDPI {
public:
    static constexpr int kFeatureNumber = 0x2201;

    virtual ~IFeature2201AdjustableDPI() = default;

    [[nodiscard]] virtual bool GetSensorCount(int* count) = 0;
    // The DPI values the sensor offers, in the device's order, and the step between values where
    // the device gives a range (0 when it gives none).
    [[nodiscard]] virtual bool GetSensorDPIList(int sensor, std::vector<int>* dpis, int* step) = 0;
    [[nodiscard]] virtual bool GetSensorDPI(int sensor, int* dpi) = 0;
    [[nodiscard]] virtual bool GetDefaultDPI(int sensor, int* dpi) = 0;
    [[nodiscard]] virtual bool SetSensorDPI(int sensor, int dpi) = 0;
};

} // namespace devio

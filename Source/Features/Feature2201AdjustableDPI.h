// The adjustable-DPI feature's class.
//
// Layouts left open by the protocol and chosen as a mouse of this kind answers: GetSensorDPI and
// GetDefaultDPI share function 2, [sensor] -> [sensor, current DPI (16 bits), default DPI
// (16 bits)], all big-endian; SetSensorDPI sends [sensor, DPI (16 bits)] after set_configured.
// Every answer about a sensor must echo its index (else InvalidDeviceData). The DPI list is parsed
// within the one answer it comes in, so a hostile answer can neither be overrun nor make it grow.
#pragma once

#include "Source/Features/IFeature2201AdjustableDPI.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature2201AdjustableDPI
    : public FeatureBase<"Feature2201AdjustableDPI", IFeature2201AdjustableDPI> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetSensorCount(int* count) override;
    [[nodiscard]] bool GetSensorDPIList(int sensor, std::vector<int>* dpis, int* step) override;
    [[nodiscard]] bool GetSensorDPI(int sensor, int* dpi) override;
    [[nodiscard]] bool GetDefaultDPI(int sensor, int* dpi) override;
    [[nodiscard]] bool SetSensorDPI(int sensor, int dpi) override;

private:
    // Function 2 for `sensor`, its answer checked for `needed` bytes and the echoed index.
    bool read_dpi(int sensor, CacheMode cache_mode, std::size_t needed,
                  std::vector<Byte>& response);
};

} // namespace devio

// Feature 0x1000 of the virtual mouse: battery level and capability.
#pragma once

#include "sim/VirtualFeature.h"

namespace devio::sim {

class BatteryFeature final : public VirtualFeature {
public:
    static constexpr Byte kLevel = 80; // percent
    static constexpr Byte kNextLevel = 50;
    static constexpr Byte kDischarging = 0;

    uint16_t number() const override { return 0x1000; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        switch (request.function) {
        case 0: // GetBatteryLevelStatus
            return FeatureAnswer::ok({kLevel, kNextLevel, kDischarging});
        case 1: // GetBatteryCapability: levels, flags, nominal life (hours), critical level
            return FeatureAnswer::ok({4, 0, 0x00, 0x46, 5});
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
    }
};

} // namespace devio::sim

// Feature 0x1D4B of the virtual mouse: it has no functions; the mouse sends its event after each
// reconnection (see VirtualMouse).
#pragma once

#include "sim/VirtualFeature.h"

namespace devio::sim {

class WirelessStatusFeature final : public VirtualFeature {
public:
    static constexpr uint16_t kNumber = 0x1D4B;

    uint16_t number() const override { return kNumber; }

    FeatureAnswer handle(const FeatureRequest&) override {
        return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
    }
};

} // namespace devio::sim

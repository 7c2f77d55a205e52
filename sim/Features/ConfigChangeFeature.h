// Feature 0x0020 of the virtual mouse: the 16-bit configuration cookie that tells which program
// configured the device. The cookie lives with the mouse and survives power cycles.
#pragma once

#include "sim/VirtualFeature.h"

namespace devio::sim {

class ConfigChangeFeature final : public VirtualFeature {
public:
    explicit ConfigChangeFeature(uint16_t& cookie) : cookie_(cookie) {}

    uint16_t number() const override { return 0x0020; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        switch (request.function) {
        case 0:
            break;
        case 1:
            if (request.param_count < 2) {
                return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
            }
            cookie_ = request.u16(0);
            break;
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
        return FeatureAnswer::ok({static_cast<Byte>(cookie_ >> 8), static_cast<Byte>(cookie_)});
    }

private:
    uint16_t& cookie_;
};

} // namespace devio::sim

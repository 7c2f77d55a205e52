// Feature 0x2005 of the virtual mouse: the button-swap setting, kept in RAM only.
#pragma once

#include "sim/VirtualFeature.h"

namespace devio::sim {

class ButtonSwapFeature final : public VirtualFeature {
public:
    uint16_t number() const override { return 0x2005; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        switch (request.function) {
        case 0:
            return FeatureAnswer::ok({static_cast<Byte>(swapped_ ? 1 : 0)});
        case 1:
            if (request.param_count < 1) {
                return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
            }
            swapped_ = request.params[0] != 0;
            return FeatureAnswer::ok({static_cast<Byte>(swapped_ ? 1 : 0)});
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
    }
    void restart() override { swapped_ = false; }

private:
    bool swapped_ = false;
};

} // namespace devio::sim

// Feature 0x00C2 of the virtual mouse: SetDfuControl(1, 0) followed by "DFU" hands over to the
// bootloader. The request gets no answer: the mouse restarts (unless it is made to ignore it).
#pragma once

#include <algorithm>
#include <array>

#include "sim/MouseControl.h"
#include "sim/VirtualFeature.h"

namespace devio::sim {

class DfuControlFeature final : public VirtualFeature {
public:
    explicit DfuControlFeature(MouseControl& control, bool ignores_request = false)
        : control_(control), ignores_request_(ignores_request) {}

    uint16_t number() const override { return 0x00C2; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        static constexpr std::array<Byte, 3> kConfirmation{'D', 'F', 'U'};
        switch (request.function) {
        case 0: // GetDfuControl: not in DFU mode while the application runs
            return FeatureAnswer::ok({0, 0, 0});
        case 1:
            if (request.param_count < 7 || !std::equal(kConfirmation.begin(), kConfirmation.end(),
                                                       request.params.begin() + 4)) {
                return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
            }
            if (request.params[0] != 1) {
                return FeatureAnswer::ok({request.params[0], request.params[1]});
            }
            if (ignores_request_) {
                return FeatureAnswer::silent();
            }
            return FeatureAnswer::silent().followed_by([this] { control_.enter_bootloader(); });
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
    }

private:
    MouseControl& control_;
    bool ignores_request_;
};

} // namespace devio::sim

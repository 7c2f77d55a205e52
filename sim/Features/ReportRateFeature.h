// Feature 0x8060 of the virtual mouse: the report rate, kept in RAM only. The mouse offers 1, 2, 4
// and 8 ms between reports (bit n of the list: n + 1 ms) and starts at 8 ms.
#pragma once

#include "sim/VirtualFeature.h"

namespace devio::sim {

class ReportRateFeature final : public VirtualFeature {
public:
    static constexpr Byte kRates = 0x8B;
    static constexpr Byte kDefaultMs = 8;

    uint16_t number() const override { return 0x8060; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        switch (request.function) {
        case 0:
            return FeatureAnswer::ok({kRates});
        case 1:
            return FeatureAnswer::ok({rate_ms_});
        case 2: {
            Byte rate = request.params[0];
            if (request.param_count < 1 || rate < 1 || rate > 8 ||
                (kRates >> (rate - 1) & 1) == 0) {
                return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
            }
            rate_ms_ = rate;
            return FeatureAnswer::ok();
        }
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
    }
    void restart() override { rate_ms_ = kDefaultMs; }

private:
    Byte rate_ms_ = kDefaultMs;
};

} // namespace devio::sim

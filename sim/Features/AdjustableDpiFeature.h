// Feature 0x2201 of the virtual mouse: one sensor offering 200 to 4000 DPI in steps of 50,
// announced as a range (200, step 50, 4000); the DPI in use lives in RAM and goes back to the
// default on a restart.
#pragma once

#include "sim/VirtualFeature.h"

namespace devio::sim {

class AdjustableDpiFeature final : public VirtualFeature {
public:
    static constexpr int kLowest = 200;
    static constexpr int kHighest = 4000;
    static constexpr int kStep = 50;
    static constexpr int kDefault = 1000;

    uint16_t number() const override { return 0x2201; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        if (request.function != 0 && request.params[0] != 0) {
            return FeatureAnswer::fail(rap::Rap20Error::OutOfRange);
        }
        switch (request.function) {
        case 0:
            return FeatureAnswer::ok({1});
        case 1:
            return FeatureAnswer::ok(
                {0, hi(kLowest), lo(kLowest), 0xE0, kStep, hi(kHighest), lo(kHighest), 0, 0});
        case 2:
            return FeatureAnswer::ok({0, hi(dpi_), lo(dpi_), hi(kDefault), lo(kDefault)});
        case 3: {
            int dpi = request.u16(1);
            if (dpi < kLowest || dpi > kHighest || (dpi - kLowest) % kStep != 0) {
                return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
            }
            dpi_ = dpi;
            return FeatureAnswer::ok({0, hi(dpi_), lo(dpi_)});
        }
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
    }
    void restart() override { dpi_ = kDefault; }

private:
    static Byte hi(int value) { return static_cast<Byte>(value >> 8); }
    static Byte lo(int value) { return static_cast<Byte>(value & 0xFF); }

    int dpi_ = kDefault;
};

} // namespace devio::sim

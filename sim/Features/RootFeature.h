// Feature 0x0000 of a virtual device: where a feature number lives (GetFeature) and the protocol
// version with its ping echo (GetProtocolVersion).
#pragma once

#include "sim/FeatureTable.h"
#include "sim/VirtualFeature.h"

namespace devio::sim {

class RootFeature final : public VirtualFeature {
public:
    static constexpr Byte kProtocolMajor = 4;
    static constexpr Byte kProtocolMinor = 2;

    explicit RootFeature(const FeatureTable& table) : table_(table) {}

    uint16_t number() const override { return 0x0000; }
    Byte version() const override { return 2; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        switch (request.function) {
        case 0: { // GetFeature: index 0 for a feature the device lacks
            auto index = table_.index_of(request.u16(0));
            if (!index) {
                return FeatureAnswer::ok({0, 0, 0});
            }
            return FeatureAnswer::ok({*index, 0, table_.at(*index)->version()});
        }
        case 1: // GetProtocolVersion, echoing the ping byte
            return FeatureAnswer::ok({kProtocolMajor, kProtocolMinor, request.params[2]});
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
    }

private:
    const FeatureTable& table_;
};

} // namespace devio::sim

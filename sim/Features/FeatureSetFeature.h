// Feature 0x0001 of a virtual device: the number of features besides the root, and the feature
// at each index.
#pragma once

#include "sim/FeatureTable.h"
#include "sim/VirtualFeature.h"

namespace devio::sim {

class FeatureSetFeature final : public VirtualFeature {
public:
    explicit FeatureSetFeature(const FeatureTable& table) : table_(table) {}

    uint16_t number() const override { return 0x0001; }
    Byte version() const override { return 1; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        switch (request.function) {
        case 0:
            return FeatureAnswer::ok({static_cast<Byte>(table_.size() - 1)});
        case 1: {
            const VirtualFeature* feature = table_.at(request.params[0]);
            if (feature == nullptr) {
                return FeatureAnswer::fail(rap::Rap20Error::OutOfRange);
            }
            return FeatureAnswer::ok({static_cast<Byte>(feature->number() >> 8),
                                      static_cast<Byte>(feature->number() & 0xFF), 0,
                                      feature->version()});
        }
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
    }

private:
    const FeatureTable& table_;
};

} // namespace devio::sim

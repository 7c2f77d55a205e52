// Feature 0x0005 of the virtual mouse: its name, handed out in chunks from the offset asked for
// (a long answer carries up to 16 bytes, zero-padded), and its kind, a mouse.
#pragma once

#include <algorithm>
#include <string>

#include "sim/VirtualFeature.h"

namespace devio::sim {

class DeviceNameFeature final : public VirtualFeature {
public:
    static constexpr Byte kMouse = 3;

    explicit DeviceNameFeature(std::string name) : name_(std::move(name)) {
        if (name_.size() > 0xFF) {
            name_.resize(0xFF);
        }
    }

    uint16_t number() const override { return 0x0005; }

    FeatureAnswer handle(const FeatureRequest& request) override {
        switch (request.function) {
        case 0:
            return FeatureAnswer::ok({static_cast<Byte>(name_.size())});
        case 1: {
            std::size_t offset = request.params[0];
            if (offset >= name_.size()) {
                return FeatureAnswer::fail(rap::Rap20Error::OutOfRange);
            }
            std::size_t count = std::min(name_.size() - offset, rap::kLongParameterCount);
            return FeatureAnswer::ok(
                std::vector<Byte>(name_.begin() + static_cast<std::ptrdiff_t>(offset),
                                  name_.begin() + static_cast<std::ptrdiff_t>(offset + count)));
        }
        case 2:
            return FeatureAnswer::ok({kMouse});
        default:
            return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
        }
    }

private:
    std::string name_;
};

} // namespace devio::sim

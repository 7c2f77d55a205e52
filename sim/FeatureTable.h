// The features of one firmware of a virtual device, by feature index (index 0 is the root).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sim/VirtualFeature.h"

namespace devio::sim {

class FeatureTable {
public:
    // Appends a feature at the next index and returns it.
    template <class F, class... Args>
    F& add(Args&&... args) {
        auto feature = std::make_unique<F>(std::forward<Args>(args)...);
        F& added = *feature;
        features_.push_back(std::move(feature));
        return added;
    }

    VirtualFeature* at(Byte index) const {
        return index < features_.size() ? features_[index].get() : nullptr;
    }
    std::optional<Byte> index_of(uint16_t number) const {
        for (std::size_t i = 0; i < features_.size(); ++i) {
            if (features_[i]->number() == number) {
                return static_cast<Byte>(i);
            }
        }
        return std::nullopt;
    }
    std::size_t size() const { return features_.size(); }
    // The firmware restarts: every feature drops what it kept in RAM.
    void restart() {
        for (auto& feature : features_) {
            feature->restart();
        }
    }

private:
    std::vector<std::unique_ptr<VirtualFeature>> features_;
};

} // namespace devio::sim

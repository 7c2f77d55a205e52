#include "Source/Rap/FeatureTable.h"

#include "Source/Rap/Feature.h"

namespace devio {

bool FeatureTable::empty() const {
    sys::MutexLock lock(mutex_);
    return features_.empty();
}

std::shared_ptr<Feature> FeatureTable::at_index(Byte index) const {
    sys::MutexLock lock(mutex_);
    auto found = features_.find(index);
    return found != features_.end() ? found->second : nullptr;
}

std::shared_ptr<Feature> FeatureTable::by_number(int number) const {
    sys::MutexLock lock(mutex_);
    for (const auto& [index, feature] : features_) {
        if (feature->featureID() == number) {
            return feature;
        }
    }
    return nullptr;
}

void FeatureTable::put(std::shared_ptr<Feature> feature) {
    sys::MutexLock lock(mutex_);
    Byte index = static_cast<Byte>(feature->featureIndex());
    // A feature number has one entry: a feature that moved to another index (new firmware)
    // leaves no stale entry that a lookup by number could find first.
    const int number = feature->featureID();
    std::erase_if(features_, [&](const auto& entry) {
        return entry.first != index && entry.second->featureID() == number;
    });
    features_.insert_or_assign(index, std::move(feature));
}

std::vector<std::shared_ptr<Feature>> FeatureTable::all() const {
    sys::MutexLock lock(mutex_);
    std::vector<std::shared_ptr<Feature>> result;
    result.reserve(features_.size());
    for (const auto& [index, feature] : features_) {
        result.push_back(feature);
    }
    return result;
}

void FeatureTable::keep_only_root() {
    sys::MutexLock lock(mutex_);
    std::erase_if(features_, [](const auto& entry) { return entry.first != 0; });
}

} // namespace devio

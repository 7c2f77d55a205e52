// The feature-set feature 0x0001: how many features the device has besides the root, and which
// feature sits at each index.
#pragma once

namespace devio {

class IFeature0001FeatureSet {
public:
    static constexpr int kFeatureNumber = 0x0001;

    virtual ~IFeature0001FeatureSet() = default;

    // The number of features besides the root; they are listed at indexes 1 to count.
    [[nodiscard]] virtual bool GetCount(int* count) = 0;
    [[nodiscard]] virtual bool GetFeatureID(int featureIndex, int* featureID,
                                            bool* engineeringHidden, bool* swHidden, bool* obsolete,
                                            int* version) = 0;
};

} // namespace devio

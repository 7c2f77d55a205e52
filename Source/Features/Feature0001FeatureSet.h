// The feature-set feature's class. Both requests use the response cache, so that discovery after
// a restart is answered by the cache file.
#pragma once

#include "Source/Features/IFeature0001FeatureSet.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature0001FeatureSet : public FeatureBase<"Feature0001FeatureSet", IFeature0001FeatureSet> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetCount(int* count) override;
    [[nodiscard]] bool GetFeatureID(int featureIndex, int* featureID, bool* engineeringHidden,
                                    bool* swHidden, bool* obsolete, int* version) override;
};

} // namespace devio

// The hidden-features switch 0x1E00: whether the device reports the features hidden outside
// engineering.
#pragma once

namespace devio {

class IFeature1E00EnableHiddenFeatures {
public:
    static constexpr int kFeatureNumber = 0x1E00;

    virtual ~IFeature1E00EnableHiddenFeatures() = default;

    [[nodiscard]] virtual bool GetEnableHiddenFeatures(bool* enabled) = 0;
    [[nodiscard]] virtual bool SetEnableHiddenFeatures(bool enabled) = 0;
};

} // namespace devio

// The out-of-box feature 0x1805: puts the device back into the state it left the factory in.
#pragma once

namespace devio {

class IFeature1805OOBState {
public:
    static constexpr int kFeatureNumber = 0x1805;

    virtual ~IFeature1805OOBState() = default;

    [[nodiscard]] virtual bool SetOobState() = 0;
};

} // namespace devio

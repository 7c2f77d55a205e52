// The Fn-inversion feature 0x40A0: whether the top-row keys give their function keys only with Fn.
#pragma once

namespace devio {

class IFeature40A0FnInversion {
public:
    static constexpr int kFeatureNumber = 0x40A0;

    virtual ~IFeature40A0FnInversion() = default;

    [[nodiscard]] virtual bool GetGlobalFnInversion(bool* inverted) = 0;
    [[nodiscard]] virtual bool SetGlobalFnInversion(bool inverted) = 0;
};

} // namespace devio

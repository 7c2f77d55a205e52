// The keyboard-layout feature 0x4540: the layout the keyboard was made with; fixed for a firmware
// and kept in the response cache.
#pragma once

namespace devio {

class IFeature4540KBLayout {
public:
    static constexpr int kFeatureNumber = 0x4540;

    virtual ~IFeature4540KBLayout() = default;

    [[nodiscard]] virtual bool GetKeyboardLayout(int* layout) = 0;
};

} // namespace devio

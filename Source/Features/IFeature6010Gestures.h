// The gesture feature 0x6010 of touch pads: which gestures the pad recognises and which are on.
// Layouts (this library's choice): the supported and the enabled gestures are 16-bit big-endian
// masks.
#pragma once

namespace devio {

class IFeature6010Gestures {
public:
    static constexpr int kFeatureNumber = 0x6010;

    virtual ~IFeature6010Gestures() = default;

    [[nodiscard]] virtual bool GetSupportedGestures(int* gestures) = 0;
    [[nodiscard]] virtual bool GetEnabledGestures(int* gestures) = 0;
    [[nodiscard]] virtual bool SetEnabledGestures(int gestures) = 0;
};

} // namespace devio

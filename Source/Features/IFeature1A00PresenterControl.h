// The presenter-control feature 0x1A00: the modes of a presentation remote.
// Layouts (this library's choice): the capabilities are a 16-bit big-endian mask of the supported
// modes; the mode is one byte.
#pragma once

namespace devio {

class IFeature1A00PresenterControl {
public:
    static constexpr int kFeatureNumber = 0x1A00;

    virtual ~IFeature1A00PresenterControl() = default;

    [[nodiscard]] virtual bool GetCapabilities(int* modes) = 0;
    [[nodiscard]] virtual bool GetMode(int* mode) = 0;
    [[nodiscard]] virtual bool SetMode(int mode) = 0;
};

} // namespace devio

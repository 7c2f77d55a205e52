// The sidetone feature 0x8300: how much of the microphone a headset plays back.
// Layouts (this library's choice): the level is one byte, 0 to 100.
#pragma once

namespace devio {

class IFeature8300Sidetone {
public:
    static constexpr int kFeatureNumber = 0x8300;

    virtual ~IFeature8300Sidetone() = default;

    [[nodiscard]] virtual bool getSidetoneLevel(int* level) = 0;
    [[nodiscard]] virtual bool setSidetoneLevel(int level) = 0;
};

} // namespace devio

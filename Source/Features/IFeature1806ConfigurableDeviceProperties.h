// The configurable-properties feature 0x1806: names a device may be given in production.
// Layouts (this library's choice): function 0 answers the number of names the device holds (fixed
// for a firmware, so kept in the response cache); a name is written from a byte position with up to
// 14 bytes; the extended model id is one byte.
#pragma once

#include <string>

namespace devio {

class IFeature1806ConfigurableDeviceProperties {
public:
    static constexpr int kFeatureNumber = 0x1806;

    virtual ~IFeature1806ConfigurableDeviceProperties() = default;

    [[nodiscard]] virtual bool GetDeviceNameMaxCount(int* count) = 0;
    // Writes at most the first 14 bytes of `chunk` at `position`.
    [[nodiscard]] virtual bool SetDeviceName(int position, const std::string& chunk) = 0;
    [[nodiscard]] virtual bool SetDeviceExtendedModelID(int model_id) = 0;
};

} // namespace devio

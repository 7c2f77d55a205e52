// The device-name feature 0x0005: the device's marketing name and its kind.
#pragma once

#include <string>

namespace devio {

class IFeature0005DeviceNameType {
public:
    static constexpr int kFeatureNumber = 0x0005;

    virtual ~IFeature0005DeviceNameType() = default;

    // The length of the name in bytes.
    [[nodiscard]] virtual bool GetCount(int* count) = 0;
    // The whole name, read in chunks on the first call and kept for the later ones.
    [[nodiscard]] virtual bool GetDeviceName(std::string* name) = 0;
    // The kind of device: 0 keyboard, 1 remote control, 2 numpad, 3 mouse, 4 touchpad,
    // 5 trackball, 6 presenter, 7 receiver.
    [[nodiscard]] virtual bool GetDeviceType(int* type) = 0;
};

// The name of a device kind of GetDeviceType, "Unknown" for a value not listed there.
const char* device_type_name(int type);

} // namespace devio

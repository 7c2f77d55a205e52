// The reset feature 0x1802: restarts the device.
#pragma once

namespace devio {

class IFeature1802DeviceReset {
public:
    static constexpr int kFeatureNumber = 0x1802;

    virtual ~IFeature1802DeviceReset() = default;

    // The device restarts and usually does not answer; a failed exchange is only logged.
    virtual void forceDeviceReset() = 0;
};

} // namespace devio

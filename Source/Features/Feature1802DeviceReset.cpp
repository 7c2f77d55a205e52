#include "Source/Features/Feature1802DeviceReset.h"

#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

void Feature1802DeviceReset::forceDeviceReset() {
    std::vector<Byte> response;
    if (!sendFeatureCommand(0, {}, response, 0)) {
        xLogWrite("Feature1802DeviceReset", kLogDebug,
                  "devio::Feature1802DeviceReset::forceDeviceReset",
                  "Feature1802DeviceReset::forceDeviceReset failed");
    }
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1802DeviceReset, 1802, 0x1802)

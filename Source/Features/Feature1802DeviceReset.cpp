#include "Source/Features/Feature1802DeviceReset.h"

#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

void Feature1802DeviceReset::forceDeviceReset() {
    std::vector<Byte> response;
    if (!sendFeatureCommand(0, {}, response, CacheMode::Uncached)) {
        xLogWrite(kTag, kLogDebug, log_location<"forceDeviceReset">(),
                  "Feature1802DeviceReset::forceDeviceReset failed");
    }
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1802DeviceReset, 1802)

#include "Source/Features/Feature1806ConfigurableDeviceProperties.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetDeviceNameMaxCount{0, 1, CacheMode::Cached};
constexpr Operation kSetDeviceName{1, 0};
constexpr Operation kSetDeviceExtendedModelID{2, 0};

} // namespace

bool Feature1806ConfigurableDeviceProperties::GetDeviceNameMaxCount(int* count) {
    std::vector<Byte> r;
    if (!exchange<"GetDeviceNameMaxCount">(kGetDeviceNameMaxCount, {}, r)) {
        return false;
    }
    set_out(count, r[0]);
    return true;
}

bool Feature1806ConfigurableDeviceProperties::SetDeviceName(int position,
                                                            const std::string& chunk) {
    return exchange<"SetDeviceName">(kSetDeviceName,
                                     joined({static_cast<Byte>(position)}, text_bytes(chunk, 14)));
}

bool Feature1806ConfigurableDeviceProperties::SetDeviceExtendedModelID(int model_id) {
    return exchange<"SetDeviceExtendedModelID">(kSetDeviceExtendedModelID,
                                                {static_cast<Byte>(model_id)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1806ConfigurableDeviceProperties, 1806)

#include "Source/Features/Feature4522DisableKeysByUsage.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetCapabilities{0, 1};
constexpr Operation kDisableKeys{1, 0};
constexpr Operation kEnableKeys{2, 0};
constexpr Operation kEnableAllKeys{3, 0};

} // namespace

bool Feature4522DisableKeysByUsage::GetCapabilities(int* max_disabled) {
    std::vector<Byte> r;
    if (!exchange<"GetCapabilities">(kGetCapabilities, {}, r)) {
        return false;
    }
    set_out(max_disabled, r[0]);
    return true;
}

bool Feature4522DisableKeysByUsage::DisableKeys(const std::vector<Byte>& usages) {
    return exchange<"DisableKeys">(kDisableKeys, slice(usages, 0, 16));
}

bool Feature4522DisableKeysByUsage::EnableKeys(const std::vector<Byte>& usages) {
    return exchange<"EnableKeys">(kEnableKeys, slice(usages, 0, 16));
}

bool Feature4522DisableKeysByUsage::EnableAllKeys() {
    return exchange<"EnableAllKeys">(kEnableAllKeys, {});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature4522DisableKeysByUsage, 4522)

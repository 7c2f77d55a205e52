#include "Source/Features/Feature1E00EnableHiddenFeatures.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetEnableHiddenFeatures{0, 1};
constexpr Operation kSetEnableHiddenFeatures{1, 0};

} // namespace

bool Feature1E00EnableHiddenFeatures::GetEnableHiddenFeatures(bool* enabled) {
    std::vector<Byte> r;
    if (!exchange<"GetEnableHiddenFeatures">(kGetEnableHiddenFeatures, {}, r)) {
        return false;
    }
    set_out(enabled, r[0] != 0);
    return true;
}

bool Feature1E00EnableHiddenFeatures::SetEnableHiddenFeatures(bool enabled) {
    return exchange<"SetEnableHiddenFeatures">(kSetEnableHiddenFeatures,
                                               {static_cast<Byte>(enabled ? 1 : 0)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1E00EnableHiddenFeatures, 1E00)

#include "Source/Features/Feature2230AngleSnapping.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetAngleSnapping{0, 1};
constexpr Operation kSetAngleSnapping{1, 0};

} // namespace

bool Feature2230AngleSnapping::GetAngleSnapping(bool* enabled) {
    std::vector<Byte> r;
    if (!exchange<"GetAngleSnapping">(kGetAngleSnapping, {}, r)) {
        return false;
    }
    set_out(enabled, r[0] != 0);
    return true;
}

bool Feature2230AngleSnapping::SetAngleSnapping(bool enabled) {
    return exchange<"SetAngleSnapping">(kSetAngleSnapping, {static_cast<Byte>(enabled ? 1 : 0)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2230AngleSnapping, 2230)

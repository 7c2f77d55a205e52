#include "Source/Features/Feature2205PointerMotionScaling.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetPointerScalingValue{0, 2};
constexpr Operation kSetPointerScalingValue{1, 0, CacheMode::Uncached, true};

} // namespace

bool Feature2205PointerMotionScaling::GetPointerScalingValue(int* value) {
    std::vector<Byte> r;
    if (!exchange<"GetPointerScalingValue">(kGetPointerScalingValue, {}, r)) {
        return false;
    }
    set_out(value, be16(r, 0));
    return true;
}

bool Feature2205PointerMotionScaling::SetPointerScalingValue(int value) {
    return exchange<"SetPointerScalingValue">(kSetPointerScalingValue,
                                              be16_bytes(static_cast<unsigned>(value)));
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2205PointerMotionScaling, 2205)

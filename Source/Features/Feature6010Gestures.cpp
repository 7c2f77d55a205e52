#include "Source/Features/Feature6010Gestures.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetSupportedGestures{0, 2};
constexpr Operation kGetEnabledGestures{1, 2};
constexpr Operation kSetEnabledGestures{2, 0};

} // namespace

bool Feature6010Gestures::GetSupportedGestures(int* gestures) {
    std::vector<Byte> r;
    if (!exchange<"GetSupportedGestures">(kGetSupportedGestures, {}, r)) {
        return false;
    }
    set_out(gestures, be16(r, 0));
    return true;
}

bool Feature6010Gestures::GetEnabledGestures(int* gestures) {
    std::vector<Byte> r;
    if (!exchange<"GetEnabledGestures">(kGetEnabledGestures, {}, r)) {
        return false;
    }
    set_out(gestures, be16(r, 0));
    return true;
}

bool Feature6010Gestures::SetEnabledGestures(int gestures) {
    return exchange<"SetEnabledGestures">(kSetEnabledGestures,
                                          be16_bytes(static_cast<unsigned>(gestures)));
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature6010Gestures, 6010)

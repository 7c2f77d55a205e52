#include "Source/Features/Feature6012Gestures.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetGestureCount{0, 1};
constexpr Operation kGetGesture{1, 2};
constexpr Operation kSetGesture{2, 0};

} // namespace

bool Feature6012Gestures::GetGestureCount(int* count) {
    std::vector<Byte> r;
    if (!exchange<"GetGestureCount">(kGetGestureCount, {}, r)) {
        return false;
    }
    set_out(count, r[0]);
    return true;
}

bool Feature6012Gestures::GetGesture(int index, int* gesture_id, bool* enabled) {
    std::vector<Byte> r;
    if (!exchange<"GetGesture">(kGetGesture, {static_cast<Byte>(index)}, r)) {
        return false;
    }
    set_out(gesture_id, r[0]);
    set_out(enabled, r[1] != 0);
    return true;
}

bool Feature6012Gestures::SetGesture(int index, bool enabled) {
    return exchange<"SetGesture">(kSetGesture,
                                  {static_cast<Byte>(index), static_cast<Byte>(enabled ? 1 : 0)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature6012Gestures, 6012)

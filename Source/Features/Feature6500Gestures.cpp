#include "Source/Features/Feature6500Gestures.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetGestureIDInfo{0, 3, CacheMode::Cached};
constexpr Operation kIsEnabled{2, 1};
constexpr Operation kEnable{3, 0};
constexpr Operation kIsDiverted{4, 1};
constexpr Operation kDivert{5, 0};
constexpr int kOnGesture = 0;

} // namespace

bool Feature6500Gestures::GetGestureIDInfo(int index, int* count, int* gesture_id, int* flags) {
    std::vector<Byte> r;
    if (!exchange<"GetGestureIDInfo">(kGetGestureIDInfo, {static_cast<Byte>(index)}, r)) {
        return false;
    }
    set_out(count, r[0]);
    set_out(gesture_id, r[1]);
    set_out(flags, r[2]);
    return true;
}

bool Feature6500Gestures::IsEnabled(int gesture_id, bool* enabled) {
    std::vector<Byte> r;
    if (!exchange<"IsEnabled">(kIsEnabled, {static_cast<Byte>(gesture_id)}, r)) {
        return false;
    }
    set_out(enabled, r[0] != 0);
    return true;
}

bool Feature6500Gestures::Enable(int gesture_id, bool enabled) {
    return exchange<"Enable">(kEnable,
                              {static_cast<Byte>(gesture_id), static_cast<Byte>(enabled ? 1 : 0)});
}

bool Feature6500Gestures::IsDiverted(int gesture_id, bool* diverted) {
    std::vector<Byte> r;
    if (!exchange<"IsDiverted">(kIsDiverted, {static_cast<Byte>(gesture_id)}, r)) {
        return false;
    }
    set_out(diverted, r[0] != 0);
    return true;
}

bool Feature6500Gestures::Divert(int gesture_id, bool diverted) {
    return exchange<"Divert">(kDivert,
                              {static_cast<Byte>(gesture_id), static_cast<Byte>(diverted ? 1 : 0)});
}

void Feature6500Gestures::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnGesture || p.size() < 1) {
        return;
    }
    int gesture_id = p[0];
    std::vector<Byte> data = slice(p, 1, p.size());
    Producer<IFeature6500Gestures::Report>::produce(
        [gesture_id, data](IFeature6500Gestures::Report* subscriber) {
            subscriber->onGesture(gesture_id, data);
        },
        "Feature6500Gestures::Report::onGesture");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature6500Gestures, 6500)

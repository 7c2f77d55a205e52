#include "Source/Features/Feature2130RatchetWheel.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetWheelMode{0, 1};
constexpr Operation kSetWheelMode{1, 0, CacheMode::Uncached, true};
constexpr int kOnWheelMovement = 0;

} // namespace

bool Feature2130RatchetWheel::GetWheelMode(int* mode) {
    std::vector<Byte> r;
    if (!exchange<"GetWheelMode">(kGetWheelMode, {}, r)) {
        return false;
    }
    set_out(mode, r[0]);
    return true;
}

bool Feature2130RatchetWheel::SetWheelMode(int mode) {
    return exchange<"SetWheelMode">(kSetWheelMode, {static_cast<Byte>(mode)});
}

void Feature2130RatchetWheel::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnWheelMovement || p.size() < 2) {
        return;
    }
    int movement = signed16(p, 0);
    Producer<IFeature2130RatchetWheel::Report>::produce(
        [movement](IFeature2130RatchetWheel::Report* subscriber) {
            subscriber->onWheelMovement(movement);
        },
        "Feature2130RatchetWheel::Report::onWheelMovement");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2130RatchetWheel, 2130)

#include "Source/Features/Feature4530DualPlatform.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetPlatform{0, 1};
constexpr Operation kSetPlatform{1, 0};
constexpr int kOnPlatformChangeEvent = 0;

} // namespace

bool Feature4530DualPlatform::GetPlatform(int* platform) {
    std::vector<Byte> r;
    if (!exchange<"GetPlatform">(kGetPlatform, {}, r)) {
        return false;
    }
    set_out(platform, r[0]);
    return true;
}

bool Feature4530DualPlatform::SetPlatform(int platform) {
    return exchange<"SetPlatform">(kSetPlatform, {static_cast<Byte>(platform)});
}

void Feature4530DualPlatform::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnPlatformChangeEvent || p.size() < 1) {
        return;
    }
    int platform = p[0];
    Producer<IFeature4530DualPlatform::Report>::produce(
        [platform](IFeature4530DualPlatform::Report* subscriber) {
            subscriber->onPlatformChangeEvent(platform);
        },
        "Feature4530DualPlatform::Report::onPlatformChangeEvent");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature4530DualPlatform, 4530)

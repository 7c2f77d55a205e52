#include "Source/Features/Feature8020Mkeys.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetCount{0, 1, CacheMode::Cached};
constexpr Operation kSetLEDs{1, 0, CacheMode::Uncached, true};
constexpr int kOnMKey = 0;

} // namespace

bool Feature8020Mkeys::GetCount(int* count) {
    std::vector<Byte> r;
    if (!exchange<"GetCount">(kGetCount, {}, r)) {
        return false;
    }
    set_out(count, r[0]);
    return true;
}

bool Feature8020Mkeys::SetLEDs(int leds) {
    return exchange<"SetLEDs">(kSetLEDs, {static_cast<Byte>(leds)});
}

void Feature8020Mkeys::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnMKey || p.size() < 1) {
        return;
    }
    int pressed = p[0];
    Producer<IFeature8020Mkeys::Report>::produce(
        [pressed](IFeature8020Mkeys::Report* subscriber) { subscriber->onMKey(pressed); },
        "Feature8020Mkeys::Report::onMKey");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8020Mkeys, 8020)

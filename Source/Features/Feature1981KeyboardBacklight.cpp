#include "Source/Features/Feature1981KeyboardBacklight.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetBacklightDuration{0, 2};
constexpr Operation kSetBacklightDuration{1, 0};
constexpr int kOnBacklightChangeEvent = 0;

} // namespace

bool Feature1981KeyboardBacklight::GetBacklightDuration(int* seconds) {
    std::vector<Byte> r;
    if (!exchange<"GetBacklightDuration">(kGetBacklightDuration, {}, r)) {
        return false;
    }
    set_out(seconds, be16(r, 0));
    return true;
}

bool Feature1981KeyboardBacklight::SetBacklightDuration(int seconds) {
    return exchange<"SetBacklightDuration">(kSetBacklightDuration,
                                            be16_bytes(static_cast<unsigned>(seconds)));
}

void Feature1981KeyboardBacklight::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnBacklightChangeEvent || p.size() < 1) {
        return;
    }
    int level = p[0];
    Producer<IFeature1981KeyboardBacklight::Report>::produce(
        [level](IFeature1981KeyboardBacklight::Report* subscriber) {
            subscriber->onBacklightChangeEvent(level);
        },
        "Feature1981KeyboardBacklight::Report::onBacklightChangeEvent");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1981KeyboardBacklight, 1981)

#include "Source/Features/Feature1983KeyboardBacklight.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetBacklightInfo{0, 2};
constexpr Operation kGetBacklightConfig{1, 2};
constexpr Operation kSetBacklightConfig{2, 0};
constexpr Operation kSetBacklightLevel{3, 0};
constexpr int kOnBacklightEventChange = 0;

} // namespace

bool Feature1983KeyboardBacklight::GetBacklightInfo(int* levels, int* level) {
    std::vector<Byte> r;
    if (!exchange<"GetBacklightInfo">(kGetBacklightInfo, {}, r)) {
        return false;
    }
    set_out(levels, r[0]);
    set_out(level, r[1]);
    return true;
}

bool Feature1983KeyboardBacklight::GetBacklightConfig(bool* enabled, int* effect) {
    std::vector<Byte> r;
    if (!exchange<"GetBacklightConfig">(kGetBacklightConfig, {}, r)) {
        return false;
    }
    set_out(enabled, r[0] != 0);
    set_out(effect, r[1]);
    return true;
}

bool Feature1983KeyboardBacklight::SetBacklightConfig(bool enabled, int effect) {
    return exchange<"SetBacklightConfig">(
        kSetBacklightConfig, {static_cast<Byte>(enabled ? 1 : 0), static_cast<Byte>(effect)});
}

bool Feature1983KeyboardBacklight::SetBacklightLevel(int level) {
    return exchange<"SetBacklightLevel">(kSetBacklightLevel, {static_cast<Byte>(level)});
}

void Feature1983KeyboardBacklight::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnBacklightEventChange || p.size() < 2) {
        return;
    }
    int level = p[0];
    int effect = p[1];
    Producer<IFeature1983KeyboardBacklight::Report>::produce(
        [level, effect](IFeature1983KeyboardBacklight::Report* subscriber) {
            subscriber->onBacklightEventChange(level, effect);
        },
        "Feature1983KeyboardBacklight::Report::onBacklightEventChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1983KeyboardBacklight, 1983)

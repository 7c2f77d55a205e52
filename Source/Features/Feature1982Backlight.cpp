#include "Source/Features/Feature1982Backlight.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetBacklightConfig{0, 2};
constexpr Operation kSetBacklightConfig{1, 0};
constexpr Operation kGetBacklightInfo{2, 2};
constexpr int kOnBacklightInfoEvent = 0;

} // namespace

bool Feature1982Backlight::GetBacklightConfig(bool* enabled, int* options) {
    std::vector<Byte> r;
    if (!exchange<"GetBacklightConfig">(kGetBacklightConfig, {}, r)) {
        return false;
    }
    set_out(enabled, r[0] != 0);
    set_out(options, r[1]);
    return true;
}

bool Feature1982Backlight::SetBacklightConfig(bool enabled, int options) {
    return exchange<"SetBacklightConfig">(
        kSetBacklightConfig, {static_cast<Byte>(enabled ? 1 : 0), static_cast<Byte>(options)});
}

bool Feature1982Backlight::GetBacklightInfo(int* levels, int* level) {
    std::vector<Byte> r;
    if (!exchange<"GetBacklightInfo">(kGetBacklightInfo, {}, r)) {
        return false;
    }
    set_out(levels, r[0]);
    set_out(level, r[1]);
    return true;
}

void Feature1982Backlight::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnBacklightInfoEvent || p.size() < 2) {
        return;
    }
    int levels = p[0];
    int level = p[1];
    Producer<IFeature1982Backlight::Report>::produce(
        [levels, level](IFeature1982Backlight::Report* subscriber) {
            subscriber->onBacklightInfoEvent(levels, level);
        },
        "Feature1982Backlight::Report::onBacklightInfoEvent");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1982Backlight, 1982)

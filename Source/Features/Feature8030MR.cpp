#include "Source/Features/Feature8030MR.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kSetLED{0, 0};
constexpr int kOnButtonReport = 0;

} // namespace

bool Feature8030MR::SetLED(bool on) {
    return exchange<"SetLED">(kSetLED, {static_cast<Byte>(on ? 1 : 0)});
}

void Feature8030MR::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnButtonReport || p.size() < 1) {
        return;
    }
    bool pressed = p[0] != 0;
    Producer<IFeature8030MR::Report>::produce(
        [pressed](IFeature8030MR::Report* subscriber) { subscriber->onButtonReport(pressed); },
        "Feature8030MR::Report::onButtonReport");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8030MR, 8030)

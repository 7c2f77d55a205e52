#include "Source/Features/Feature8110MouseButtonSpy.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetNbButtons{0, 1};
constexpr Operation kStartSpy{1, 0};
constexpr Operation kStopSpy{2, 0};
constexpr Operation kGetRemapping{3, 1};
constexpr Operation kSetRemapping{4, 0};
constexpr int kOnButtonReport = 0;

} // namespace

bool Feature8110MouseButtonSpy::GetNbButtons(int* count) {
    std::vector<Byte> r;
    if (!exchange<"GetNbButtons">(kGetNbButtons, {}, r)) {
        return false;
    }
    set_out(count, r[0]);
    return true;
}

bool Feature8110MouseButtonSpy::StartSpy() {
    return exchange<"StartSpy">(kStartSpy, {});
}

bool Feature8110MouseButtonSpy::StopSpy() {
    return exchange<"StopSpy">(kStopSpy, {});
}

bool Feature8110MouseButtonSpy::GetRemapping(std::vector<Byte>* remapping) {
    std::vector<Byte> r;
    if (!exchange<"GetRemapping">(kGetRemapping, {}, r)) {
        return false;
    }
    set_out(remapping, r);
    return true;
}

bool Feature8110MouseButtonSpy::SetRemapping(const std::vector<Byte>& remapping) {
    return exchange<"SetRemapping">(kSetRemapping, slice(remapping, 0, 16));
}

void Feature8110MouseButtonSpy::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnButtonReport || p.size() < 2) {
        return;
    }
    int pressed = static_cast<int>(be16(p, 0));
    Producer<IFeature8110MouseButtonSpy::Report>::produce(
        [pressed](IFeature8110MouseButtonSpy::Report* subscriber) {
            subscriber->onButtonReport(pressed);
        },
        "Feature8110MouseButtonSpy::Report::onButtonReport");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8110MouseButtonSpy, 8110)

#include "Source/Features/Feature8010Macrokey.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetCount{0, 1, CacheMode::Cached};
constexpr Operation kGetKeyInfo{1, 3, CacheMode::Cached};
constexpr Operation kSetReporting{2, 0};
constexpr int kOnMacroKey = 0;

} // namespace

bool Feature8010Macrokey::GetCount(int* count) {
    std::vector<Byte> r;
    if (!exchange<"GetCount">(kGetCount, {}, r)) {
        return false;
    }
    set_out(count, r[0]);
    return true;
}

bool Feature8010Macrokey::GetKeyInfo(int index, int* control_id, int* flags) {
    std::vector<Byte> r;
    if (!exchange<"GetKeyInfo">(kGetKeyInfo, {static_cast<Byte>(index)}, r)) {
        return false;
    }
    set_out(control_id, be16(r, 0));
    set_out(flags, r[2]);
    return true;
}

bool Feature8010Macrokey::SetReporting(bool reporting) {
    return exchange<"SetReporting">(kSetReporting, {static_cast<Byte>(reporting ? 1 : 0)});
}

void Feature8010Macrokey::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnMacroKey || p.size() < 1) {
        return;
    }
    int pressed = p[0];
    Producer<IFeature8010Macrokey::Report>::produce(
        [pressed](IFeature8010Macrokey::Report* subscriber) { subscriber->onMacroKey(pressed); },
        "Feature8010Macrokey::Report::onMacroKey");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8010Macrokey, 8010)

#include "Source/Features/Feature40A3FnInversion.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetGlobalFnInversion{0, 2};
constexpr Operation kSetGlobalFnInversion{1, 0};
constexpr int kOnFLockChange = 0;

} // namespace

bool Feature40A3FnInversion::GetGlobalFnInversion(bool* inverted, bool* default_inverted) {
    std::vector<Byte> r;
    if (!exchange<"GetGlobalFnInversion">(kGetGlobalFnInversion, {}, r)) {
        return false;
    }
    set_out(inverted, r[0] != 0);
    set_out(default_inverted, r[1] != 0);
    return true;
}

bool Feature40A3FnInversion::SetGlobalFnInversion(bool inverted) {
    return exchange<"SetGlobalFnInversion">(kSetGlobalFnInversion,
                                            {static_cast<Byte>(inverted ? 1 : 0)});
}

void Feature40A3FnInversion::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnFLockChange || p.size() < 1) {
        return;
    }
    bool inverted = p[0] != 0;
    Producer<IFeature40A3FnInversion::Report>::produce(
        [inverted](IFeature40A3FnInversion::Report* subscriber) {
            subscriber->onFLockChange(inverted);
        },
        "Feature40A3FnInversion::Report::onFLockChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature40A3FnInversion, 40A3)

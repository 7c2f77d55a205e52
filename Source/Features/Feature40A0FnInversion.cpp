#include "Source/Features/Feature40A0FnInversion.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetGlobalFnInversion{0, 1};
constexpr Operation kSetGlobalFnInversion{1, 0};

} // namespace

bool Feature40A0FnInversion::GetGlobalFnInversion(bool* inverted) {
    std::vector<Byte> r;
    if (!exchange<"GetGlobalFnInversion">(kGetGlobalFnInversion, {}, r)) {
        return false;
    }
    set_out(inverted, r[0] != 0);
    return true;
}

bool Feature40A0FnInversion::SetGlobalFnInversion(bool inverted) {
    return exchange<"SetGlobalFnInversion">(kSetGlobalFnInversion,
                                            {static_cast<Byte>(inverted ? 1 : 0)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature40A0FnInversion, 40A0)

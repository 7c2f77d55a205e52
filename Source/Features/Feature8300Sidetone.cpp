#include "Source/Features/Feature8300Sidetone.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kgetSidetoneLevel{0, 1};
constexpr Operation ksetSidetoneLevel{1, 0};

} // namespace

bool Feature8300Sidetone::getSidetoneLevel(int* level) {
    std::vector<Byte> r;
    if (!exchange<"getSidetoneLevel">(kgetSidetoneLevel, {}, r)) {
        return false;
    }
    set_out(level, r[0]);
    return true;
}

bool Feature8300Sidetone::setSidetoneLevel(int level) {
    return exchange<"setSidetoneLevel">(ksetSidetoneLevel, {static_cast<Byte>(level)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8300Sidetone, 8300)

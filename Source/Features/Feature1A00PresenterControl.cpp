#include "Source/Features/Feature1A00PresenterControl.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetCapabilities{0, 2};
constexpr Operation kGetMode{1, 1};
constexpr Operation kSetMode{2, 0};

} // namespace

bool Feature1A00PresenterControl::GetCapabilities(int* modes) {
    std::vector<Byte> r;
    if (!exchange<"GetCapabilities">(kGetCapabilities, {}, r)) {
        return false;
    }
    set_out(modes, be16(r, 0));
    return true;
}

bool Feature1A00PresenterControl::GetMode(int* mode) {
    std::vector<Byte> r;
    if (!exchange<"GetMode">(kGetMode, {}, r)) {
        return false;
    }
    set_out(mode, r[0]);
    return true;
}

bool Feature1A00PresenterControl::SetMode(int mode) {
    return exchange<"SetMode">(kSetMode, {static_cast<Byte>(mode)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1A00PresenterControl, 1A00)

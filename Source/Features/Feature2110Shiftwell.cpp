#include "Source/Features/Feature2110Shiftwell.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetCapabilities{0, 1};
constexpr Operation kGetStatus{1, 2};
constexpr Operation kSetStatus{2, 0};

} // namespace

bool Feature2110Shiftwell::GetCapabilities(int* capabilities) {
    std::vector<Byte> r;
    if (!exchange<"GetCapabilities">(kGetCapabilities, {}, r)) {
        return false;
    }
    set_out(capabilities, r[0]);
    return true;
}

bool Feature2110Shiftwell::GetStatus(int* mode, int* threshold) {
    std::vector<Byte> r;
    if (!exchange<"GetStatus">(kGetStatus, {}, r)) {
        return false;
    }
    set_out(mode, r[0]);
    set_out(threshold, r[1]);
    return true;
}

bool Feature2110Shiftwell::SetStatus(int mode, int threshold) {
    return exchange<"SetStatus">(kSetStatus,
                                 {static_cast<Byte>(mode), static_cast<Byte>(threshold)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2110Shiftwell, 2110)

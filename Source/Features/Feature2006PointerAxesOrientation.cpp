#include "Source/Features/Feature2006PointerAxesOrientation.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetAxesOrientation{0, 2};
constexpr Operation kSetAxesOrientation{1, 0};

} // namespace

bool Feature2006PointerAxesOrientation::GetAxesOrientation(int* orientation,
                                                           int* default_orientation) {
    std::vector<Byte> r;
    if (!exchange<"GetAxesOrientation">(kGetAxesOrientation, {}, r)) {
        return false;
    }
    set_out(orientation, r[0]);
    set_out(default_orientation, r[1]);
    return true;
}

bool Feature2006PointerAxesOrientation::SetAxesOrientation(int orientation) {
    return exchange<"SetAxesOrientation">(kSetAxesOrientation, {static_cast<Byte>(orientation)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2006PointerAxesOrientation, 2006)

#include "Source/Features/Feature8080PerKeyLighting.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetInfo{0, 2};
constexpr Operation kSetIndividualRGBZones{1, 0};
constexpr Operation kFrameEnd{2, 0};

} // namespace

bool Feature8080PerKeyLighting::GetInfo(int* zones) {
    std::vector<Byte> r;
    if (!exchange<"GetInfo">(kGetInfo, {}, r)) {
        return false;
    }
    set_out(zones, be16(r, 0));
    return true;
}

bool Feature8080PerKeyLighting::SetIndividualRGBZones(const std::vector<Byte>& zones_rgb) {
    return exchange<"SetIndividualRGBZones">(kSetIndividualRGBZones, slice(zones_rgb, 0, 16));
}

bool Feature8080PerKeyLighting::FrameEnd(bool persist) {
    return exchange<"FrameEnd">(kFrameEnd, {static_cast<Byte>(persist ? 1 : 0)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8080PerKeyLighting, 8080)

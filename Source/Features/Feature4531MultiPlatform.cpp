#include "Source/Features/Feature4531MultiPlatform.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetFeatureInfos{0, 3};
constexpr Operation kGetPlatformDescriptor{1, 5};
constexpr Operation kGetHostPlatform{2, 3};
constexpr Operation ksetHostPlatform{3, 0};
constexpr int kOnPlatformChangeEvent = 0;

} // namespace

bool Feature4531MultiPlatform::GetFeatureInfos(int* capabilities, int* platforms,
                                               int* descriptors) {
    std::vector<Byte> r;
    if (!exchange<"GetFeatureInfos">(kGetFeatureInfos, {}, r)) {
        return false;
    }
    set_out(capabilities, r[0]);
    set_out(platforms, r[1]);
    set_out(descriptors, r[2]);
    return true;
}

bool Feature4531MultiPlatform::GetPlatformDescriptor(int index, int* platform, int* platform_index,
                                                     int* os_mask) {
    std::vector<Byte> r;
    if (!exchange<"GetPlatformDescriptor">(kGetPlatformDescriptor, {static_cast<Byte>(index)}, r)) {
        return false;
    }
    set_out(platform, r[1]);
    set_out(platform_index, r[2]);
    set_out(os_mask, be16(r, 3));
    return true;
}

bool Feature4531MultiPlatform::GetHostPlatform(int host, int* status, int* platform_index) {
    std::vector<Byte> r;
    if (!exchange<"GetHostPlatform">(kGetHostPlatform, {static_cast<Byte>(host)}, r)) {
        return false;
    }
    set_out(status, r[1]);
    set_out(platform_index, r[2]);
    return true;
}

bool Feature4531MultiPlatform::setHostPlatform(int host, int platform_index) {
    return exchange<"setHostPlatform">(
        ksetHostPlatform, {static_cast<Byte>(host), static_cast<Byte>(platform_index)});
}

void Feature4531MultiPlatform::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnPlatformChangeEvent || p.size() < 2) {
        return;
    }
    int host = p[0];
    int platform_index = p[1];
    Producer<IFeature4531MultiPlatform::Report>::produce(
        [host, platform_index](IFeature4531MultiPlatform::Report* subscriber) {
            subscriber->onPlatformChangeEvent(host, platform_index);
        },
        "Feature4531MultiPlatform::Report::onPlatformChangeEvent");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature4531MultiPlatform, 4531)

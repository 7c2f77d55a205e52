#include "Source/Features/Feature4521DisableKeys.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetCapabilities = 0;
constexpr unsigned kGetDisabledKeys = 1;
constexpr unsigned kSetDisabledKeys = 2;

} // namespace

bool Feature4521DisableKeys::GetCapabilities(int* disableable_keys) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetCapabilities, {}, CacheMode::Cached, 1, response)) {
        return false;
    }
    set_out(disableable_keys, response[0]);
    return true;
}

bool Feature4521DisableKeys::GetDisabledKeys(int* disabled_keys) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetDisabledKeys, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(disabled_keys, response[0]);
    return true;
}

bool Feature4521DisableKeys::SetDisabledKeys(int disabled_keys) {
    if (SetDisabledKeysNow(disabled_keys)) {
        return true;
    }
    if (last_error().code != ErrorCode::NotConnected) {
        return false;
    }
    return pending_.hold(*this, disabled_keys, kTag, log_location<"SetDisabledKeys">(),
                         "Feature 0x4521 caching pending change");
}

bool Feature4521DisableKeys::SetDisabledKeysNow(int disabled_keys) {
    constexpr const char* kFunction = log_location<"SetDisabledKeysNow">();
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, kFunction, "set_configured failed");
        return false;
    }
    std::vector<Byte> response;
    if (!send_expecting(*this, kSetDisabledKeys, {static_cast<Byte>(disabled_keys)},
                        CacheMode::Uncached, 1, response)) {
        xLogWrite(kTag, kLogInfo, kFunction, "sendFeatureCommand failed");
        return false;
    }
    return true;
}

bool Feature4521DisableKeys::process_pending_changes(bool /*device_configured*/) {
    return pending_.replay([this](int keys) { return SetDisabledKeysNow(keys); });
}

void Feature4521DisableKeys::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                  const std::vector<Byte>& parameters) {
    if (function != kSetDisabledKeys || parameters.empty()) {
        return;
    }
    int keys = parameters[0];
    Producer<IFeature4521DisableKeys::SettingChange>::produce(
        [software_id, keys](IFeature4521DisableKeys::SettingChange* subscriber) {
            subscriber->onSettingChange(software_id, keys);
        },
        "Feature4521DisableKeys::SettingChange::onSettingChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature4521DisableKeys, 4521)

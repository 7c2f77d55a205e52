#include "Source/Features/Feature40A2FnInversion.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetGlobalFnInversion = 0;
constexpr unsigned kSetGlobalFnInversion = 1;

} // namespace

bool Feature40A2FnInversion::GetGlobalFnInversion(bool* inverted, bool* default_inverted) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetGlobalFnInversion, {}, CacheMode::Uncached, 2, response)) {
        return false;
    }
    set_out(inverted, response[0] != 0);
    set_out(default_inverted, response[1] != 0);
    return true;
}

bool Feature40A2FnInversion::SetGlobalFnInversion(bool inverted) {
    if (SetGlobalFnInversionNow(inverted)) {
        return true;
    }
    if (last_error().code != ErrorCode::NotConnected) {
        return false;
    }
    return pending_.hold(*this, inverted, kTag, log_location<"SetGlobalFnInversion">(),
                         "Feature 0x40A2 caching pending change");
}

bool Feature40A2FnInversion::SetGlobalFnInversionNow(bool inverted) {
    constexpr const char* kFunction = log_location<"SetGlobalFnInversionNow">();
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, kFunction, "set_configured failed");
        return false;
    }
    std::vector<Byte> response;
    if (!send_expecting(*this, kSetGlobalFnInversion, {static_cast<Byte>(inverted ? 1 : 0)},
                        CacheMode::Uncached, 1, response)) {
        xLogWrite(kTag, kLogInfo, kFunction, "sendFeatureCommand failed");
        return false;
    }
    return true;
}

bool Feature40A2FnInversion::process_pending_changes(bool /*device_configured*/) {
    return pending_.replay([this](bool inverted) { return SetGlobalFnInversionNow(inverted); });
}

void Feature40A2FnInversion::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (function == static_cast<int>(kGetGlobalFnInversion) && !parameters.empty()) {
        publish(0, parameters[0] != 0);
    }
}

void Feature40A2FnInversion::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                  const std::vector<Byte>& parameters) {
    if (function == kSetGlobalFnInversion && !parameters.empty()) {
        publish(software_id, parameters[0] != 0);
    }
}

void Feature40A2FnInversion::publish(unsigned software_id, bool inverted) {
    Producer<IFeature40A2FnInversion::SettingChange>::produce(
        [software_id, inverted](IFeature40A2FnInversion::SettingChange* subscriber) {
            subscriber->onSettingChange(software_id, inverted);
        },
        "Feature40A2FnInversion::SettingChange::onSettingChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature40A2FnInversion, 40A2)

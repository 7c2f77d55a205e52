#include "Source/Features/Feature2005ButtonSwapCancel.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetSwapMode = 0;
constexpr unsigned kSetSwapMode = 1;

} // namespace

bool Feature2005ButtonSwapCancel::GetSwapMode(bool* swap_enabled) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetSwapMode, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(swap_enabled, response[0] != 0);
    return true;
}

bool Feature2005ButtonSwapCancel::SetSwapMode(bool swap_enabled) {
    if (SetSwapModeNow(swap_enabled)) {
        return true;
    }
    if (last_error().code != ErrorCode::NotConnected) {
        return false;
    }
    constexpr const char* kFunction = log_location<"SetSwapMode">();
    xLogWrite(kTag, kLogInfo, kFunction, "Feature 0x2005 caching pending change");
    {
        sys::MutexLock lock(pending_mutex_);
        pending_values_.push_back(swap_enabled);
    }
    if (!set_pending()) {
        xLogWrite(kTag, kLogInfo, kFunction, "set_pending failed");
        // The caller is told the change was refused, so it must not be written later.
        sys::MutexLock lock(pending_mutex_);
        pending_values_.pop_back();
        return false;
    }
    set_last_error(ErrorCode::NoError);
    return true;
}

bool Feature2005ButtonSwapCancel::SetSwapModeNow(bool swap_enabled) {
    constexpr const char* kFunction = log_location<"SetSwapModeNow">();
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, kFunction, "set_configured failed");
        return false;
    }
    std::vector<Byte> response;
    if (!sendFeatureCommand(kSetSwapMode, {static_cast<Byte>(swap_enabled ? 1 : 0)}, response,
                            CacheMode::Uncached)) {
        xLogWrite(kTag, kLogInfo, kFunction, "sendFeatureCommand failed");
        return false;
    }
    if (response.empty()) {
        xLogWrite(kTag, kLogInfo, kFunction, "sendFeatureCommand failed, CommandResponseTooShort");
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    return true;
}

bool Feature2005ButtonSwapCancel::process_pending_changes(bool /*device_configured*/) {
    std::vector<bool> values;
    {
        sys::MutexLock lock(pending_mutex_);
        values = pending_values_;
    }
    for (bool value : values) {
        if (!SetSwapModeNow(value)) {
            return false;
        }
    }
    sys::MutexLock lock(pending_mutex_);
    pending_values_.erase(pending_values_.begin(),
                          pending_values_.begin() + static_cast<std::ptrdiff_t>(values.size()));
    return true;
}

void Feature2005ButtonSwapCancel::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                       const std::vector<Byte>& parameters) {
    if (function != kSetSwapMode || parameters.empty()) {
        return;
    }
    bool swap_enabled = parameters[0] != 0;
    Producer<IFeature2005ButtonSwapCancel::SettingChange>::produce(
        [software_id, swap_enabled](IFeature2005ButtonSwapCancel::SettingChange* subscriber) {
            subscriber->onSettingChange(software_id, swap_enabled);
        },
        "Feature2005ButtonSwapCancel::SettingChange::onSettingChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2005ButtonSwapCancel, 2005)

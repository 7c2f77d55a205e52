// Which features have configured the device or hold changes for its next connection, and the
// operations that end or reset that state.
#include "Source/Device.h"

#include <algorithm>

#include "Source/Feature.h"
#include "Source/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";

void add_once(std::vector<std::shared_ptr<IFeature>>& list, std::shared_ptr<IFeature> feature) {
    if (std::find(list.begin(), list.end(), feature) == list.end()) {
        list.push_back(std::move(feature));
    }
}

} // namespace

bool Device::set_configured(std::shared_ptr<IFeature> feature) {
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(configuration_mutex_);
        if (shut_down_) {
            return true;
        }
        first = configured_features_.empty();
        add_once(configured_features_, std::move(feature));
    }
    if (first) {
        xLogWrite(kTag, kLogInfo, "devio::Device::set_configured",
                  "-api- set_configured produuing onConfigChange");
        publish_config_change();
    }
    return true;
}

bool Device::configured() const {
    std::lock_guard<std::mutex> lock(configuration_mutex_);
    return !configured_features_.empty();
}

bool Device::set_pending(std::shared_ptr<IFeature> feature) {
    std::lock_guard<std::mutex> lock(configuration_mutex_);
    if (!shut_down_) {
        add_once(pending_features_, std::move(feature));
    }
    return true;
}

bool Device::pending() const {
    std::lock_guard<std::mutex> lock(configuration_mutex_);
    return !pending_features_.empty();
}

bool Device::shutdown() {
    xLogWrite(kTag, kLogInfo, "devio::Device::shutdown", "Device::shutdown");
    std::lock_guard<std::mutex> lock(configuration_mutex_);
    shut_down_ = true;
    configured_features_.clear();
    return true;
}

void Device::forget() {
    constexpr const char* kFunction = "devio::Device::forget";
    xLogWrite(kTag, kLogInfo, kFunction, "Device::forget() enter");
    features_.keep_only_root();
    bool was_configured = false;
    {
        std::lock_guard<std::mutex> lock(configuration_mutex_);
        was_configured = !configured_features_.empty();
        configured_features_.clear();
        pending_features_.clear();
    }
    if (was_configured) {
        publish_config_change();
    }
    cache_.clear();
    xLogWrite(kTag, kLogInfo, kFunction, "Device::forget() exit");
}

std::optional<bool> Device::check_configuration_on_connect() {
    if (!run_firmware_check()) {
        if (last_error().code == ErrorCode::NotConnected) {
            xLogWrite(kTag, kLogInfo, "devio::Device::onConnect",
                      "Not reporting connect due to NotConnected");
            return std::nullopt;
        }
        xLogWrite(kTag, kLogInfo, "devio::Device::onConnect", "onConnect: fw check failed, err=%d",
                  static_cast<int>(to_underlying(last_error().code)));
        set_last_error(ErrorCode::NoError);
        return false;
    }
    return configured();
}

void Device::perform_deactivate() {
    xLogWrite(kTag, kLogInfo, "devio::Device::perform_deactivate",
              "Starting deactivation of device %04x", pid());
}

void Device::publish_config_change() {
    Producer<IDevice::ConfigChange>::produce(
        [](IDevice::ConfigChange* subscriber) { subscriber->onConfigChange(); },
        "Device::Report::onConfigChange");
}

} // namespace devio

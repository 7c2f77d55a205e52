// The configuration cookie: which features have configured the device or hold changes for its
// next connection, the cookie that tells on a reconnection whether this program's settings still
// hold, and the operations that check, replay, give back or end that state.
#include "Source/Rap/Device.h"

#include <algorithm>

#include "Source/Contracts/BusType.h"
#include "Source/Contracts/IReceiverAttachedDevice.h"
#include "Source/Features/IFeature0020ConfigChange.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/Feature.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";
constexpr const char* kOnConnect = "devio::Device::onConnect";
constexpr const char* kSetConfigured = "devio::Device::set_configured";
constexpr const char* kDeactivate = "devio::Device::perform_deactivate";
constexpr const char* kWirelessStatus = "devio::Device::onWirelessStatusEvent";
constexpr const char* kShutdown = "devio::Device::shutdown";
// The range a new cookie is drawn from before it is moved past the foreign cookie.
constexpr int kLowestCookie = 1;
constexpr int kHighestDrawnCookie = 0xFFFE;

void add_once(std::vector<std::shared_ptr<Feature>>& list, std::shared_ptr<Feature> feature) {
    if (std::find(list.begin(), list.end(), feature) == list.end()) {
        list.push_back(std::move(feature));
    }
}

bool not_connected() {
    return last_error().code == ErrorCode::NotConnected;
}

void log_stop_on_connect() {
    xLogWrite(kTag, kLogInfo, kOnConnect, "Not reporting connect due to NotConnected");
}

} // namespace

std::shared_ptr<IReceiverAttachedDevice> Device::receiver_attached() const {
    if (busType() != kBusTypeReceiver) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<IReceiverAttachedDevice>(hardware_);
}

uint16_t Device::pick_cookie() {
    // Never the other program's cookie, so that each side can tell the other's apart.
    int cookie = random(kLowestCookie, kHighestDrawnCookie);
    if (cookie >= foreign_cookie_.load()) {
        ++cookie;
    }
    return static_cast<uint16_t>(cookie);
}

bool Device::set_configured(std::shared_ptr<IFeature> requester) {
    std::shared_ptr<Feature> asking = std::dynamic_pointer_cast<Feature>(requester);
    if (asking == nullptr) {
        set_last_error(ErrorCode::GeneralFailure, 0, "set_configured needs a feature object");
        return false;
    }
    {
        sys::MutexLock lock(configuration_mutex_);
        if (shut_down_) {
            return true;
        }
        if (!configured_features_.empty()) {
            add_once(configured_features_, std::move(asking));
            device_unowned_but_dirty_.store(false);
            return true;
        }
    }
    // The first feature: this program takes the device's configuration over.
    if (std::shared_ptr<IReceiverAttachedDevice> receiver = receiver_attached()) {
        software_present_requested_.store(true);
        if (!receiver->set_software_present()) {
            return false;
        }
    }
    std::shared_ptr<IFeature0020ConfigChange> config = feature<IFeature0020ConfigChange>();
    if (config == nullptr && last_error().code != ErrorCode::NotPresent) {
        // Unknown whether the device has a cookie at all: nothing may be recorded.
        return false;
    }
    if (config != nullptr) {
        uint16_t existing = 0;
        if (!config->GetCookie(&existing)) {
            return false;
        }
        xLogWrite(kTag, kLogInfo, kSetConfigured,
                  "set_configured read existing cookie from device: 0x%04x", existing);
        if (existing != 0) {
            foreign_cookie_.store(existing);
            xLogWrite(kTag, kLogInfo, kSetConfigured,
                      "set_configured is writing 0 cookie to 0x0020 feature to reset device");
            if (!config->SetCookie(0)) {
                return false;
            }
        }
        uint16_t cookie = pick_cookie();
        cookie_.store(cookie);
        xLogWrite(kTag, kLogInfo, kSetConfigured, "set_configured picked a new cookie 0x%04x",
                  cookie);
        // Only a running replay writes the cookie after its changes; a change merely held for
        // the next connection must not keep it back.
        if (replaying_pending_.load()) {
            xLogWrite(kTag, kLogInfo, kSetConfigured,
                      "set_configured delaying writing of new cookie because we are processing a "
                      "pending change");
        } else {
            xLogWrite(kTag, kLogInfo, kSetConfigured,
                      "set_configured is writing new cookie to 0x0020 feature");
            if (!config->SetCookie(cookie)) {
                return false;
            }
        }
    }
    xLogWrite(kTag, kLogInfo, kSetConfigured, "-api- set_configured produuing onConfigChange");
    publish_config_change();
    {
        sys::MutexLock lock(configuration_mutex_);
        add_once(configured_features_, std::move(asking));
    }
    device_unowned_but_dirty_.store(false);
    return true;
}

bool Device::configured() const {
    sys::MutexLock lock(configuration_mutex_);
    return !configured_features_.empty();
}

bool Device::set_pending(std::shared_ptr<IFeature> requester) {
    std::shared_ptr<Feature> holding = std::dynamic_pointer_cast<Feature>(requester);
    if (holding == nullptr) {
        set_last_error(ErrorCode::GeneralFailure, 0, "set_pending needs a feature object");
        return false;
    }
    bool first = false;
    {
        sys::MutexLock lock(configuration_mutex_);
        if (shut_down_) {
            return true;
        }
        first = pending_features_.empty();
    }
    // The receiver remembers that this device's slot has changes waiting.
    std::shared_ptr<IReceiverAttachedDevice> receiver = first ? receiver_attached() : nullptr;
    if (receiver != nullptr) {
        if (!software_present_requested_.exchange(true) && !receiver->set_software_present()) {
            return false;
        }
        if (!receiver->set_slot_flag()) {
            return false;
        }
    }
    sys::MutexLock lock(configuration_mutex_);
    add_once(pending_features_, std::move(holding));
    return true;
}

bool Device::pending() const {
    sys::MutexLock lock(configuration_mutex_);
    return !pending_features_.empty();
}

void Device::drop_configuration(const char* function, const char* why) {
    std::vector<std::shared_ptr<Feature>> dropped;
    {
        sys::MutexLock lock(configuration_mutex_);
        dropped.swap(configured_features_);
    }
    for (const std::shared_ptr<Feature>& feature : dropped) {
        xLogWrite(kTag, kLogInfo, function, why, feature->featureID());
        feature->clear_configured();
    }
    if (!dropped.empty()) {
        publish_config_change();
    }
}

std::optional<bool> Device::cookie_still_ours(bool& foreign) {
    uint16_t ours = cookie_.load();
    if (ours == 0) {
        xLogWrite(kTag, kLogInfo, kOnConnect, "onConnect: device not configured");
        return false;
    }
    std::shared_ptr<IFeature0020ConfigChange> config = feature<IFeature0020ConfigChange>();
    if (config == nullptr) {
        if (not_connected()) {
            log_stop_on_connect();
            return std::nullopt;
        }
        xLogWrite(kTag, kLogInfo, kOnConnect,
                  "onConnect: losing configuration because no 0x0020 feature present");
        return false;
    }
    xLogWrite(kTag, kLogInfo, kOnConnect, "OnConnect is reading cookie");
    uint16_t read = 0;
    if (!config->GetCookie(&read)) {
        xLogWrite(kTag, kLogInfo, kOnConnect, "onConnect: could not read cookie, err=%d",
                  last_error_code());
        if (not_connected()) {
            log_stop_on_connect();
            return std::nullopt;
        }
        xLogWrite(kTag, kLogInfo, kOnConnect,
                  "onConnect: losing configuration because could not get cookie");
        return false;
    }
    xLogWrite(kTag, kLogInfo, kOnConnect, "OnConnect: read cookie %04x", read);
    if (read == ours) {
        xLogWrite(kTag, kLogInfo, kOnConnect, "onConnect: cookie matched");
        return true;
    }
    xLogWrite(kTag, kLogInfo, kOnConnect,
              "onConnect: losing configuration because cookie did not match");
    foreign = true;
    if (read != 0) {
        foreign_cookie_.store(read);
    }
    return false;
}

bool Device::replay_pending_changes(bool configured_by_us, bool& lost) {
    xLogWrite(kTag, kLogInfo, kOnConnect, "onConnect: Letting features write pending changes");
    for (;;) {
        std::shared_ptr<Feature> next;
        {
            sys::MutexLock lock(configuration_mutex_);
            if (pending_features_.empty()) {
                break;
            }
            next = pending_features_.front();
        }
        next->set_processing_pending(true);
        bool written = next->process_pending_changes(configured_by_us);
        next->set_processing_pending(false);
        if (!written) {
            xLogWrite(kTag, kLogInfo, kOnConnect,
                      "onConnect: losing configuration because some feature could not write "
                      "pending changes, err=%d",
                      last_error_code());
            lost = true;
            if (not_connected()) {
                log_stop_on_connect();
                return false;
            }
        }
        // Off the list either way: a feature that could not write its changes registers them
        // again with its next change.
        next->clear_pending();
        sys::MutexLock lock(configuration_mutex_);
        std::erase(pending_features_, next);
    }
    std::shared_ptr<IFeature0020ConfigChange> config = feature<IFeature0020ConfigChange>();
    if (config == nullptr) {
        return true;
    }
    xLogWrite(kTag, kLogInfo, kOnConnect,
              "onConnect is writing cookie to 0x0020 feature (config complete)");
    if (!config->SetCookie(cookie_.load())) {
        xLogWrite(kTag, kLogInfo, kOnConnect,
                  "onConnect: losing configuration because could not write configuration "
                  "complete to receiver, err=%d",
                  last_error_code());
        lost = true;
        if (not_connected()) {
            log_stop_on_connect();
            return false;
        }
    }
    return true;
}

std::optional<bool> Device::check_configuration_on_connect() {
    bool configured_by_us = configured();
    bool lost = false;
    bool foreign = false;
    if (!do_fwcheck()) {
        if (not_connected()) {
            log_stop_on_connect();
            return std::nullopt;
        }
        xLogWrite(kTag, kLogInfo, kOnConnect, "onConnect: fw check failed, err=%d",
                  last_error_code());
        set_last_error(ErrorCode::NoError);
        configured_by_us = false;
    }
    if (!configured_by_us) {
        xLogWrite(kTag, kLogInfo, kOnConnect, "onConnect: device not configured");
    } else {
        std::optional<bool> ours = cookie_still_ours(foreign);
        if (!ours.has_value()) {
            return std::nullopt;
        }
        lost = !*ours;
    }
    if (!lost && pending()) {
        replaying_pending_.store(true);
        const bool replayed = replay_pending_changes(configured_by_us, lost);
        replaying_pending_.store(false);
        if (!replayed) {
            return std::nullopt;
        }
    }
    if (lost) {
        drop_configuration(kOnConnect, "onConnect: telling feature 0x%04x about the lost "
                                       "configuration");
        configured_by_us = false;
        if (!foreign) {
            device_unowned_but_dirty_.store(true);
        }
    }
    return configured_by_us;
}

void Device::perform_deactivate() {
    xLogWrite(kTag, kLogInfo, kDeactivate, "Starting deactivation of device %04x", pid());
    if (active_.load()) {
        xLogWrite(kTag, kLogInfo, kDeactivate,
                  "Deactivation for device %04x skipped due to active_", pid());
        return;
    }
    if (!connect_subscribed_.load() || !hardware_->connected()) {
        xLogWrite(kTag, kLogInfo, kDeactivate,
                  "Deactivation for device %04x skipped due to !hwdev->connected()", pid());
        return;
    }
    std::shared_ptr<IFeature0020ConfigChange> config = feature<IFeature0020ConfigChange>();
    if (config == nullptr) {
        xLogWrite(kTag, kLogInfo, kDeactivate,
                  "Deactivation: skipping deactivation because no 0x0020 feature");
        return;
    }
    xLogWrite(kTag, kLogInfo, kDeactivate,
              "Deactivation is checking 0x0020 feature to see if we still hold the configuration");
    uint16_t read = 0;
    if (!config->GetCookie(&read)) {
        xLogWrite(kTag, kLogInfo, kDeactivate,
                  "Deactivation: skipping deactivation because could not read cookie, err=%d",
                  last_error_code());
        return;
    }
    if (read != cookie_.load()) {
        xLogWrite(kTag, kLogInfo, kDeactivate,
                  "Deactivation: skipping deactivation because cookie did not match");
        if (read != 0) {
            foreign_cookie_.store(read);
        }
        return;
    }
    xLogWrite(kTag, kLogInfo, kDeactivate,
              "Deactivation: we still hold configuration, resetting device by clearing 0x0020 "
              "cookie");
    if (!config->SetCookie(0)) {
        xLogWrite(kTag, kLogInfo, kDeactivate,
                  "could not clear cookie in 0x0020 feature, errcode=%d", last_error_code());
    }
    drop_configuration(kDeactivate, "onConnect: telling feature 0x%04x about the reset");
    xLogWrite(kTag, kLogInfo, kDeactivate, "Deactivation exit");
}

void Device::onWirelessStatusEvent(bool reconnect, bool config_needed, bool powerswitch) {
    xLogWrite(kTag, kLogInfo, kWirelessStatus,
              "enter, reconnect=%d, config_needed=%d, powerswitch=%d", reconnect, config_needed,
              powerswitch);
    if (!config_needed) {
        xLogWrite(kTag, kLogInfo, kWirelessStatus, "exit, no config needed");
        return;
    }
    do_fwcheck();
    if (!configured()) {
        xLogWrite(kTag, kLogInfo, kWirelessStatus, "exit, no features configured");
        return;
    }
    auto stop_when_not_connected = [] {
        if (!not_connected()) {
            return false;
        }
        xLogWrite(kTag, kLogInfo, kWirelessStatus,
                  "Not reporting lost settings due to NotConnected");
        return true;
    };
    std::shared_ptr<IFeature0020ConfigChange> config = feature<IFeature0020ConfigChange>();
    if (config == nullptr) {
        if (stop_when_not_connected()) {
            return;
        }
        xLogWrite(kTag, kLogInfo, kWirelessStatus, "feature 0020 missing");
    } else {
        xLogWrite(kTag, kLogInfo, kWirelessStatus, "reading 0020 cookie");
        uint16_t read = 0;
        if (!config->GetCookie(&read)) {
            if (stop_when_not_connected()) {
                return;
            }
            xLogWrite(kTag, kLogInfo, kWirelessStatus, "failed to get 0020 cookie");
        } else {
            xLogWrite(kTag, kLogInfo, kWirelessStatus, "OnConnect: read cookie %04x", read);
            if (read == cookie_.load()) {
                xLogWrite(kTag, kLogInfo, kWirelessStatus,
                          "Not reporting lost settings due to cookie matching");
                return;
            }
            xLogWrite(kTag, kLogInfo, kWirelessStatus, "cookie did not match");
        }
    }
    if (last_reported_state_.load() == 2) {
        xLogWrite(kTag, kLogInfo, kWirelessStatus,
                  "reporting settings lost via an onDisconnect/onConnect sequence");
        std::shared_ptr<IDevice> self = weak_from_this().lock();
        Producer<IDevice::Connect>::produce(
            [self](IDevice::Connect* subscriber) { subscriber->onDisconnect(self); },
            "Device::Connect::onDisconnect");
        Producer<IDevice::Connect>::produce(
            [self](IDevice::Connect* subscriber) { subscriber->onConnect(self, false); },
            "Device::Connect::onConnect");
    } else {
        xLogWrite(kTag, kLogInfo, kWirelessStatus,
                  "Not reporting lost settings due to latest reported connected state being other "
                  "than connected");
    }
    xLogWrite(kTag, kLogInfo, kWirelessStatus, "exit");
}

bool Device::shutdown() {
    xLogWrite(kTag, kLogInfo, kShutdown, "Device::shutdown");
    bool configured_now = false;
    {
        sys::MutexLock lock(configuration_mutex_);
        shut_down_ = true;
        configured_now = !configured_features_.empty();
    }
    bool result = true;
    if (software_present_requested_.load()) {
        if (std::shared_ptr<IReceiverAttachedDevice> receiver = receiver_attached()) {
            result = receiver->clear_software_present();
        }
    }
    if (!configured_now && !device_unowned_but_dirty_.load()) {
        return result;
    }
    xLogWrite(kTag, kLogInfo, kShutdown, "configured = %d, device_unowned_but_dirty = %d",
              configured_now, device_unowned_but_dirty_.load());
    // A device that is away cannot take the cookie; trying would hold the shutdown for the
    // engine's retries.
    std::shared_ptr<IFeature0020ConfigChange> config =
        hardware_->connected() ? feature<IFeature0020ConfigChange>() : nullptr;
    if (config != nullptr) {
        xLogWrite(kTag, kLogInfo, kShutdown,
                  "set_configured is resetting device by clearing cookie in 0x0020 feature");
        if (!config->SetCookie(0)) {
            xLogWrite(kTag, kLogInfo, kShutdown,
                      "could not clear cookie in 0x0020 feature, errcode=%d", last_error_code());
        }
    }
    {
        sys::MutexLock lock(configuration_mutex_);
        configured_features_.clear();
    }
    device_unowned_but_dirty_.store(false);
    return result;
}

void Device::forget() {
    constexpr const char* kFunction = "devio::Device::forget";
    xLogWrite(kTag, kLogInfo, kFunction, "Device::forget() enter");
    features_.keep_only_root();
    root_result_.store(kRootNotTried);
    all_features_loaded_.store(false);
    std::vector<std::shared_ptr<Feature>> configured_before;
    std::vector<std::shared_ptr<Feature>> pending_before;
    {
        sys::MutexLock lock(configuration_mutex_);
        configured_before.swap(configured_features_);
        pending_before.swap(pending_features_);
    }
    // Whoever still holds these objects asks for configuration again with its next change.
    for (const std::shared_ptr<Feature>& feature : configured_before) {
        feature->clear_configured();
    }
    for (const std::shared_ptr<Feature>& feature : pending_before) {
        feature->clear_pending();
    }
    if (!configured_before.empty()) {
        publish_config_change();
    }
    cache_.clear();
    xLogWrite(kTag, kLogInfo, kFunction, "Device::forget() exit");
}

void Device::publish_config_change() {
    Producer<IDevice::ConfigChange>::produce(
        [](IDevice::ConfigChange* subscriber) { subscriber->onConfigChange(); },
        "Device::Report::onConfigChange");
}

} // namespace devio

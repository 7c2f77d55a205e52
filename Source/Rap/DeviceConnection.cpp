// Following the hardware device: the lazy subscriptions to its events, and the connect and
// disconnect handling.
#include "Source/Rap/Device.h"

#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";
constexpr const char* kOnConnect = "devio::Device::onConnect";
constexpr const char* kOnDisconnect = "devio::Device::onDisconnect";

} // namespace

bool Device::connected() {
    ensure_connect_subscription();
    bool now = connected_.load();
    int none = 0;
    last_reported_state_.compare_exchange_strong(none, now ? 2 : 1);
    return now;
}

bool Device::ensure_connect_subscription() {
    if (connect_subscribed_.load()) {
        return true;
    }
    {
        sys::MutexLock lock(subscriptions_mutex_);
        if (connect_subscribed_.load()) {
            return true;
        }
        if (!Subscriber<IHardwareDevice::Connect>::subscribe(hardware_, DeliverViaRunLoop,
                                                             "Device::HardwareConnect")) {
            report_unreported_error("Device::initDevice subscribe(IHardwareDevice::Connect)");
            return false;
        }
        connect_subscribed_.store(true);
    }
    if (hardware_->connected()) {
        if (!ensure_read_subscription()) {
            report_unreported_error("Device::initDevice subscribe(IHardwareDevice::Read)");
        }
        // A device that cannot be opened fails its first command with the reason; initialisation
        // goes on as before.
        static_cast<void>(hardware_->open());
        connected_.store(active_.load());
    } else {
        connected_.store(false);
    }
    return true;
}

bool Device::ensure_read_subscription() {
    if (read_subscribed_.load()) {
        return true;
    }
    sys::MutexLock lock(subscriptions_mutex_);
    if (!read_subscribed_.load()) {
        read_subscribed_.store(Subscriber<IHardwareDevice::Read>::subscribe(
            hardware_, DeliverDirect, "Device::HardwareRead"));
    }
    return read_subscribed_.load();
}

bool Device::on_subscribe(IDevice::Connect* /*subscriber*/) {
    xLogWrite(kTag, kLogInfo, "devio::Device::on_subscribe", "subscribing to connect");
    ensure_connect_subscription();
    return true;
}

bool Device::on_subscribe(IDevice::WriteReport* /*subscriber*/) {
    sys::MutexLock lock(subscriptions_mutex_);
    if (!write_subscribed_) {
        write_subscribed_ = Subscriber<IHardwareDevice::Write>::subscribe(hardware_, DeliverDirect,
                                                                          "Device::HardwareWrite");
        if (write_subscribed_) {
            xLogWrite(kTag, kLogInfo, "devio::Device::on_subscribe", "subscribed to write reports");
        } else {
            xLogWrite(kTag, kLogInfo, "devio::Device::on_subscribe",
                      "could not subscribe to write reports, err=%d",
                      static_cast<int>(to_underlying(last_error().code)));
        }
    }
    return true;
}

void Device::onConnect(std::shared_ptr<IHardwareDevice> /*device*/) {
    handle_connect();
}

void Device::onDisconnect(std::shared_ptr<IHardwareDevice> /*device*/) {
    handle_disconnect();
}

void Device::confirm_configuration() {
    constexpr const char* kFunction = "devio::Device::confirm_configuration";
    xLogWrite(kTag, kLogInfo, kFunction, "Device::confirm_configuration(pid = 0x%04x) begin...",
              pid());
    if (connect_subscribed_.load() && hardware_->connected()) {
        handle_connect();
    }
    xLogWrite(kTag, kLogInfo, kFunction, "Device::confirm_configuration(pid = 0x%04x) ...end",
              pid());
}

void Device::handle_connect() {
    // The handlers below may let the last other reference go.
    std::shared_ptr<Device> keep_alive = weak_from_this().lock();
    xLogWrite(kTag, kLogInfo, kOnConnect, "-connect- pid=%04x begin...", pid());
    quarantined_.store(false);
    if (!ensure_read_subscription()) {
        report_unreported_error("Device::onConnect subscribe(IHardwareDevice::Read)");
    }
    if (connected_.load()) {
        xLogWrite(kTag, kLogInfo, kOnConnect, "connect of already connected device");
        uint64_t since = milliseconds_since_last_report();
        xLogWrite(kTag, kLogInfo, kOnConnect, "its been %ld milliseconds since last report",
                  static_cast<long>(since));
        if (since < static_cast<uint64_t>(kReconnectSettleMs)) {
            xLogWrite(kTag, kLogInfo, kOnConnect,
                      "time since last report less than a second, so delaying onConnect "
                      "processing");
            if (firmware_check_timer_ != nullptr) {
                firmware_check_timer_->start_debounced(kReconnectSettleMs);
            }
            xLogWrite(kTag, kLogDebug, kOnConnect, "...Device::onConnect() pid=0x%x end.", pid());
            return;
        }
    }
    if (!active_.load()) {
        if (configured()) {
            xLogWrite(kTag, kLogInfo, kOnConnect,
                      "inactive session, device configured, connect triggering deactivation");
            if (deactivation_timer_ != nullptr) {
                deactivation_timer_->start(kDeactivationDelayMs);
            }
        } else {
            xLogWrite(kTag, kLogInfo, kOnConnect,
                      "inactive session, device not configured, connect ignored");
        }
        xLogWrite(kTag, kLogDebug, kOnConnect, "...Device::onConnect() pid=0x%x end.", pid());
        return;
    }
    if (brb_active_.exchange(false)) {
        xLogWrite(kTag, kLogInfo, kOnConnect, "Deactivating brb workaround");
    }
    std::optional<bool> configured_by_us = check_configuration_on_connect();
    if (!configured_by_us.has_value()) {
        return;
    }
    connected_.store(true);
    xLogWrite(kTag, kLogInfo, kOnConnect,
              "-connect- sending connect pid %04x with device_configured_by_us = %d", pid(),
              *configured_by_us);
    last_reported_state_.store(2);
    std::shared_ptr<IDevice> self = keep_alive;
    bool by_us = *configured_by_us;
    Producer<IDevice::Connect>::produce(
        [self, by_us](IDevice::Connect* subscriber) { subscriber->onConnect(self, by_us); },
        "Device::Connect::onConnect");
    xLogWrite(kTag, kLogDebug, kOnConnect, "...Device::onConnect() pid=0x%x end.", pid());
}

void Device::handle_disconnect() {
    std::shared_ptr<Device> keep_alive = weak_from_this().lock();
    xLogWrite(kTag, kLogInfo, kOnDisconnect, "Device::onDisconnect enter, pid = 0x%x", pid());
    if (deactivation_timer_ != nullptr) {
        deactivation_timer_->stop();
    }
    if (firmware_check_timer_ != nullptr) {
        firmware_check_timer_->stop();
    }
    connected_.store(false);
    last_reported_state_.store(1);
    std::shared_ptr<IDevice> self = keep_alive;
    Producer<IDevice::Connect>::produce(
        [self](IDevice::Connect* subscriber) { subscriber->onDisconnect(self); },
        "Device::Connect::onDisconnect");
    xLogWrite(kTag, kLogInfo, kOnDisconnect, "Device::onDisconnect exit, pid = 0x%x", pid());
}

} // namespace devio

#include "Source/Manager/DeviceManager.h"

#include <cstdlib>
#include <utility>

#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Manager/ManagerRetirement.h"
#include "Source/System/Clock.h"
#include "Source/System/Random.h"

namespace devio {

namespace {

constexpr const char* kTag = "DeviceManager";

// Item 6 is shared by every manager of the process.
std::atomic<bool> g_gatt_io_disabled{false};

} // namespace

std::shared_ptr<DeviceManager> DeviceManager::create() {
    // Destroyed through the retirement, so that the facade's reset can take it over from a
    // library thread that held the last reference.
    return std::shared_ptr<DeviceManager>(new DeviceManager(), &ManagerRetirement::release);
}

DeviceManager::DeviceManager() : runloop_(*this) {
    xLogWrite(kTag, kLogInfo, "devio::DeviceManager::DeviceManager", "-api- %p",
              static_cast<void*>(this));
    for (unsigned item = 0; item < kConfigItemCount; ++item) {
        if (item != gatt_io_disabled) {
            config_[item].store(config_item_default(item));
        }
    }
    const auto seed = static_cast<unsigned>(sys::Clock::wall_time_us() & 0xFFFFFFFFU);
    xLogWrite(kTag, kLogInfo, "devio::DeviceManager::DeviceManager", "using seed %d for random",
              static_cast<int>(seed));
    sys::Random::seed(seed);
}

void DeviceManager::swid(int value) {
    swid_.store(value & 15);
}

int DeviceManager::swid() {
    int current = swid_.load();
    if (current == 0) {
        const int chosen = sys::Random::between(10, 14);
        // Two first callers agree on whichever value was stored first.
        swid_.compare_exchange_strong(current, chosen);
        current = swid_.load();
    }
    return current;
}

bool DeviceManager::is_active() {
    return active_.load();
}

void DeviceManager::set_active(bool active) {
    xLogWrite(kTag, kLogInfo, "devio::DeviceManager::set_active", "-api- %d", active ? 1 : 0);
    if (!subscribed_to_active_.exchange(true)) {
        if (!Subscriber<IDeviceManager::ActiveChanged>::subscribe(
                shared_from_this(), DeliverViaRunLoop, "DeviceManager::ActiveChanged")) {
            report_unreported_error(
                "DeviceManager::set_active subscribe(IDeviceManager::ActiveChanged)");
        }
    }
    const bool was_active = active_.exchange(active);
    if (was_active != active || active) {
        Producer<IDeviceManager::ActiveChanged>::produce(
            [active](IDeviceManager::ActiveChanged* subscriber) {
                subscriber->onActiveChanged(active);
            },
            "DeviceManager::ActiveChanged::onActiveChanged");
    }
}

void DeviceManager::report_unreported_error(const std::string& where) {
    const LastError error = last_error();
    if (error.code == ErrorCode::NoError || destroying_.load()) {
        return;
    }
    std::string message = error.message != nullptr ? error.message : "";
    xLogWrite(kTag, kLogWarning, "devio::DeviceManager::report_unreported_error",
              "-api- Reporting unreported error: %s, err=%u, str=%s, sys=0x%x", where.c_str(),
              to_underlying(error.code), message.c_str(), error.syserr);
    Producer<IDeviceManager::UnreportedError>::produce(
        [where, code = error.code, message = std::move(message),
         syserr = static_cast<unsigned long>(error.syserr)](
            IDeviceManager::UnreportedError* subscriber) {
            subscriber->onUnreportedError(where, code, message, syserr);
        },
        "DeviceManager::UnreportedError::onUnreportedError");
}

void DeviceManager::enqueue_event_for_runloop(QueuedEvent event) {
    if (destroying_.load()) {
        return;
    }
    runloop_.enqueue(std::move(event));
}

void DeviceManager::call_event_from_runloop() {
    runloop_.call_next();
}

void DeviceManager::remove_runloop_events(const void* subscriber, const void* producer) {
    runloop_.remove(subscriber, producer);
}

bool DeviceManager::subscribe(IDeviceManager::RunLoopEvent* subscriber, int delivery) {
    if (delivery == DeliverViaRunLoop) {
        set_last_error(ErrorCode::GeneralFailure, 0,
                       "IDeviceManager::RunLoopEvent needs direct delivery");
        return false;
    }
    return Producer<IDeviceManager::RunLoopEvent>::subscribe(subscriber, delivery);
}

void DeviceManager::on_subscription_added(IDeviceManager::RunLoopEvent* /*subscriber*/,
                                          bool direct) {
    runloop_.replay(direct);
}

bool DeviceManager::config_item_default(unsigned item) {
    return item == ble_monitor || item == brb_workaround;
}

bool DeviceManager::valid_config_item(unsigned item) {
    if (item < kConfigItemCount) {
        return true;
    }
    set_last_error(ErrorCode::InvalidConfigItem);
    return false;
}

std::atomic<bool>& DeviceManager::config_item(unsigned item) {
    return item == gatt_io_disabled ? g_gatt_io_disabled : config_[item];
}

bool DeviceManager::gatt_io_is_disabled() {
    return g_gatt_io_disabled.load();
}

bool DeviceManager::config_default(unsigned item, bool* value) {
    const char* where = "devio::DeviceManager::config_default";
    xLogWrite(kTag, kLogInfo, where, "DeviceManager::config_default %d", static_cast<int>(item));
    if (!valid_config_item(item)) {
        xLogWrite(kTag, kLogInfo, where,
                  "DeviceManager::config_default exit, invalid config item %d",
                  static_cast<int>(item));
        return false;
    }
    if (value != nullptr) {
        *value = config_item_default(item);
    }
    return true;
}

bool DeviceManager::config_get(unsigned item, bool* value) {
    const char* where = "devio::DeviceManager::config_get";
    xLogWrite(kTag, kLogInfo, where, "DeviceManager::config_get %d", static_cast<int>(item));
    if (!valid_config_item(item)) {
        xLogWrite(kTag, kLogInfo, where, "DeviceManager::config_get exit, invalid config item %d",
                  static_cast<int>(item));
        return false;
    }
    if (value != nullptr) {
        *value = config_item(item).load();
    }
    return true;
}

} // namespace devio

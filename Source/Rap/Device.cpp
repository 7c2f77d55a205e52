#include "Source/Rap/Device.h"

#include <cstdio>
#include <cstdlib>

#include "Source/Contracts/BusType.h"
#include "Source/Events/Timer.h"
#include "Source/Log/xLog.h"
#include "Source/System/Clock.h"
#include "Source/System/Random.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";

// Receivers whose commands share one named mutex with every device behind them.
constexpr int kSharedMutexReceiverPids[] = {0xB401, 0xB402, 0xB403};

// The manager's configuration item, or its default (7 on, 8 off) without a manager.
bool config_item(IDeviceManager* manager, unsigned item) {
    bool value = item == IDeviceManager::brb_workaround;
    if (manager != nullptr && !manager->config_get(item, &value)) {
        return false;
    }
    return value;
}

} // namespace

Device::Device(std::weak_ptr<IDeviceManager> manager, std::shared_ptr<IHardwareDevice> hardware)
    : manager_(std::move(manager)), hardware_(std::move(hardware)) {}

Device::~Device() {
    xLogWrite(kTag, kLogInfo, "devio::Device::~Device", "Device::~Device() enter");
    // The read thread calls us directly: leave its producers before any member goes away.
    Subscriber<IHardwareDevice::Read>::unsubscribe(hardware_);
    Subscriber<IHardwareDevice::Write>::unsubscribe(hardware_);
    if (cache_dirty_.load()) {
        perform_cache_write();
    }
    xLogWrite(kTag, kLogInfo, "devio::Device::~Device", "Device::~Device() exit");
}

unsigned Device::swid() const {
    if (unsigned current = software_ids_.current(); current != 0) {
        return current;
    }
    return software_ids_.current_or_choose(manager_default_swid());
}

unsigned Device::manager_default_swid() const {
    std::shared_ptr<IDeviceManager> manager = manager_.lock();
    return manager != nullptr ? static_cast<unsigned>(manager->swid()) : 0;
}

int Device::random(int low, int high) {
    return sys::Random::between(low, high);
}

uint64_t Device::milliseconds_since_last_report() const {
    sys::MutexLock lock(report_time_mutex_);
    return sys::Clock::tick_count_ms() - last_report_ms_;
}

void Device::report_unreported_error(const char* where) {
    if (std::shared_ptr<IDeviceManager> manager = manager_.lock()) {
        manager->report_unreported_error(where);
    }
}

void Device::initDevice(std::shared_ptr<IDeviceManager> manager) {
    constexpr const char* kFunction = "devio::Device::initDevice";
    xLogWrite(kTag, kLogInfo, kFunction, "Device::initDevice() enter");
    manager_ = manager;
    int product = pid();
    bool shared_receiver_mutex = busType() == kBusTypeReceiver;
    for (int receiver : kSharedMutexReceiverPids) {
        shared_receiver_mutex = shared_receiver_mutex || product == receiver;
    }
    char mutex_name[32];
    std::snprintf(mutex_name, sizeof mutex_name, "devio_0x%x", static_cast<unsigned>(product));
    named_mutex_.init(shared_receiver_mutex ? "VarkonTessaly" : mutex_name);

    xLogWrite(kTag, kLogInfo, kFunction, "Device::initDevice enter, pid=0x%x", product);
    if (manager == nullptr || !Subscriber<IDeviceManager::ActiveChanged>::subscribe(
                                  manager, DeliverViaRunLoop, "Device::ActiveChanged")) {
        report_unreported_error("Device::initDevice subscribe(IDeviceManager::ActiveChanged)");
    }
    active_.store(manager == nullptr || manager->is_active());
    xLogWrite(kTag, kLogInfo, kFunction, "Device::initDevice exit");

    struct {
        std::shared_ptr<ITimer>& timer;
        int id;
        const char* where;
    } timers[] = {
        {deactivation_timer_, kDeactivationTimerId,
         "Device::initDevice subscribe(deactivation_timer)"},
        {cache_write_timer_, kCacheWriteTimerId, "Device::initDevice subscribe(cache_write_timer)"},
        {firmware_check_timer_, kFirmwareCheckTimerId,
         "Device::initDevice subscribe(fw_check_timer)"},
    };
    for (auto& [timer, id, where] : timers) {
        timer = std::make_shared<Timer>(id);
        if (!Subscriber<ITimer::TimerEvent>::subscribe(timer, DeliverViaRunLoop,
                                                       "Device::TimerEvent")) {
            report_unreported_error(where);
        }
    }

    if (busType() == kBusTypeReceiver) {
        if (config_item(manager.get(), IDeviceManager::brb_workaround)) {
            brb_enabled_.store(true);
            xLogWrite(kTag, kLogDebug, kFunction,
                      "This tessaly device enabling the brb workaround, pid=0x%x", product);
        } else {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "Tessaly device but brb workaround disabled, pid=0x%x", product);
        }
    }
    generic_cache_ = config_item(manager.get(), IDeviceManager::generic_cache);
    if (generic_cache_) {
        xLogWrite(kTag, kLogDebug, kFunction, "Enabled generic cache, pid=0x%x", product);
    } else {
        xLogWrite(kTag, kLogInfo, kFunction, "Not enabling generic cache, pid=0x%x", product);
    }
    xLogWrite(kTag, kLogInfo, kFunction, "Device::initDevice() exit");
}

void Device::uninitDevice() {
    constexpr const char* kFunction = "devio::Device::uninitDevice";
    xLogWrite(kTag, kLogInfo, kFunction, "Device::uninitDevice() enter");
    removed_.store(true);
    Subscriber<IHardwareDevice::Connect>::unsubscribe(hardware_);
    Subscriber<IHardwareDevice::Read>::unsubscribe(hardware_);
    connect_subscribed_.store(false);
    read_subscribed_.store(false);
    if (std::shared_ptr<IDeviceManager> manager = manager_.lock()) {
        Subscriber<IDeviceManager::ActiveChanged>::unsubscribe(manager);
    }
    hardware_->close();
    xLogWrite(kTag, kLogInfo, kFunction, "Device::uninitDevice() exit");
}

void Device::onActiveChanged(bool active) {
    constexpr const char* kFunction = "devio::Device::onActiveChanged";
    xLogWrite(kTag, kLogDebug, kFunction, "Device::onActiveChanged(active = %d)", active);
    if (active_.exchange(active) == active) {
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction, "Changed active state to %d", active);
    if (!connect_subscribed_.load() || !hardware_->connected()) {
        return;
    }
    if (active) {
        xLogWrite(kTag, kLogInfo, kFunction, "Going active while device %04x is connected", pid());
        if (deactivation_timer_ != nullptr) {
            deactivation_timer_->stop();
        }
        handle_connect();
    } else {
        xLogWrite(kTag, kLogInfo, kFunction, "Going inactive while device %04x is connected",
                  pid());
        handle_disconnect();
        if (configured() && deactivation_timer_ != nullptr) {
            deactivation_timer_->start(kDeactivationDelayMs);
        }
    }
}

void Device::onTimerEvent(int timer_id) {
    switch (timer_id) {
    case kDeactivationTimerId:
        perform_deactivate();
        break;
    case kCacheWriteTimerId:
        perform_cache_write();
        break;
    case kFirmwareCheckTimerId:
        handle_connect();
        break;
    default:
        break;
    }
}

} // namespace devio

// The device manager's bus stack and device list: building and rebuilding the stack, taking
// hardware devices in and out, making devices and receiver busses, retrying receivers that could
// not be enumerated, power changes, and the manager's destruction.
#include <utility>

#include "Source/Busses/CombinerBus.h"
#include "Source/Busses/PairingBus.h"
#include "Source/Busses/ReceiverKinds.h"
#include "Source/Busses/TessalyBus.h"
#include "Source/Contracts/BusType.h"
#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Contracts/IHardwareSecondaryBus.h"
#include "Source/Events/Timer.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Manager/BottomBusChoice.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/Rap/Device.h"

namespace devio {

namespace {

constexpr const char* kTag = "DeviceManager";

int code_of(const LastError& error) {
    return static_cast<int>(to_underlying(error.code));
}

} // namespace

DeviceManager::~DeviceManager() {
    const char* where = "devio::DeviceManager::~DeviceManager";
    xLogWrite(kTag, kLogInfo, where, "-api- %p", static_cast<void*>(this));
    if (destroying_.exchange(true)) {
        xLogWrite(kTag, kLogError, where, "DeviceManager destructor called recursively");
    } else {
        for (const auto& [hardware, device] : device_list()) {
            // A device that cannot be given back its defaults now is left as it is; it logs why.
            static_cast<void>(device->shutdown());
        }
        for (const std::shared_ptr<IHardwareBus>& bus : BusSet(hardware_busses_)) {
            removeBus(bus);
        }
        xLogWrite(kTag, kLogDebug, where, "DeviceManager::~DeviceManager() ... end.");
    }
    // Leave the busses and the timer while they still exist, so that none of their threads
    // queues an event for this object any more.
    for (const BusSet* busses : {&saved_busses_, &hardware_busses_, &retry_busses_}) {
        for (const std::shared_ptr<IHardwareBus>& bus : *busses) {
            Subscriber<IHardwareBus::PlugUnplug>::unsubscribe(bus);
        }
    }
    if (retry_timer_ != nullptr) {
        Subscriber<ITimer::TimerEvent>::unsubscribe(retry_timer_);
    }
    // Events that arrive from now on are dropped; the waiting ones die with their bound objects.
    runloop_.close();
    retry_busses_.clear();
    retry_timer_.reset();
    hardware_busses_.clear();
    saved_busses_.clear();
    std::lock_guard<std::mutex> lock(device_list_mutex_);
    device_list_.clear();
}

std::shared_ptr<IDevice>
DeviceManager::listed(const std::shared_ptr<IHardwareDevice>& hardware) const {
    std::lock_guard<std::mutex> lock(device_list_mutex_);
    auto found = device_list_.find(hardware);
    return found != device_list_.end() ? found->second : nullptr;
}

DeviceManager::DeviceList DeviceManager::device_list() const {
    std::lock_guard<std::mutex> lock(device_list_mutex_);
    return device_list_;
}

std::string DeviceManager::data_directory() {
    std::lock_guard<std::mutex> lock(directory_mutex_);
    return persistent_data_directory_;
}

bool DeviceManager::config_value(unsigned item) {
    return config_item(item).load();
}

bool DeviceManager::on_subscribe(IDeviceManager::ArrivalRemoval* /*subscriber*/) {
    xLogWrite(kTag, kLogInfo, "devio::DeviceManager::on_subscribe", "-api- ArrivalRemoval");
    return lazyInitializeHardwareBusses();
}

bool DeviceManager::lazyInitializeHardwareBusses() {
    constexpr const char* kFunction = "devio::DeviceManager::lazyInitializeHardwareBusses";
    if (initialised_) {
        return true;
    }
    if (retry_timer_ == nullptr) {
        retry_timer_ = std::make_shared<Timer>(kAddBusRetryTimerId);
    }
    if (!Subscriber<ITimer::TimerEvent>::subscribe(retry_timer_, DeliverViaRunLoop,
                                                   "DeviceManager::TimerEvent")) {
        xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::lazyInit failed at subscribe");
        return false;
    }
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::lazyInit connecting to hardware busses");
    if (!connectToHardwareBusses()) {
        xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::lazyInit failed at connect");
        return false;
    }
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::lazyInit complete");
    initialised_ = true;
    return true;
}

bool DeviceManager::connectToHardwareBusses() {
    constexpr const char* kFunction = "devio::DeviceManager::connectToHardwareBusses";
    xLogWrite(kTag, kLogInfo, kFunction, "connectToHardwareBusses enter");
    std::shared_ptr<IHardwareBus> bus = BottomBusChoice::make(weak_from_this());
    if (bus->needs_combiner()) {
        xLogWrite(kTag, kLogInfo, kFunction, "inserting combiner filter");
        bus = CombinerBus::create(weak_from_this(), bus);
    }
    if (!bus->bluetooth_busses().empty()) {
        xLogWrite(kTag, kLogInfo, kFunction, "inserting pairing filter");
        bus = PairingBus::create(weak_from_this(), bus);
    }
    if (!addBus(bus)) {
        xLogWrite(kTag, kLogInfo, kFunction, "connectToHardwareBusses exit, false");
        return false;
    }
    hardware_busses_.insert(bus);
    for (const std::shared_ptr<IHardwareSecondaryBus>& secondary : bus->secondary_busses()) {
        xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager adding a secondary bus");
        if (!addBus(secondary)) {
            xLogWrite(kTag, kLogInfo, kFunction, "connectToHardwareBusses exit, false");
            return false;
        }
        hardware_busses_.insert(secondary);
    }
    xLogWrite(kTag, kLogInfo, kFunction, "connectToHardwareBusses exit, true");
    return true;
}

bool DeviceManager::addBus(std::shared_ptr<IHardwareBus> bus) {
    constexpr const char* kFunction = "devio::DeviceManager::addBus";
    xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::addBus enter");
    if (!Subscriber<IHardwareBus::PlugUnplug>::subscribe(bus, DeliverViaRunLoop,
                                                         "DeviceManager::PlugUnplug")) {
        xLogWrite(kTag, kLogError, kFunction,
                  "DeviceManager::addBus exit (false, failed to subscribe to PlugUnplug, err=%d)",
                  code_of(last_error()));
        return false;
    }
    // An empty list is an error only when the bus says so.
    set_last_error(ErrorCode::NoError);
    std::vector<std::shared_ptr<IHardwareDevice>> found = bus->devices();
    if (found.empty() && last_error().code != ErrorCode::NoError) {
        xLogWrite(kTag, kLogError, kFunction, "DeviceManager::addBus failed to enumerate devices!");
        xLogWrite(kTag, kLogError, kFunction, "addBus exit (false, error enumerating devices)");
        return false;
    }
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::addBus saving bus");
    saved_busses_.insert(bus);
    for (const std::shared_ptr<IHardwareDevice>& hardware : found) {
        xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::addBus calling onPlug(hwdev)");
        onPlug(hardware);
    }
    bus->persistent_data_directory(data_directory());
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::addBus exit (true, success)");
    return true;
}

void DeviceManager::removeBus(std::shared_ptr<IHardwareBus> bus) {
    constexpr const char* kFunction = "devio::DeviceManager::removeBus";
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::removeBus enter");
    std::vector<std::shared_ptr<IHardwareDevice>> children;
    for (const auto& [hardware, device] : device_list()) {
        if (hardware->bus().lock() == bus) {
            children.push_back(hardware);
        }
    }
    for (const std::shared_ptr<IHardwareDevice>& child : children) {
        xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::removeBus unplugging a child");
        onUnplug(child);
    }
    saved_busses_.erase(bus);
    retry_busses_.erase(bus);
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::removeBus exit");
}

bool DeviceManager::accepted(const IHardwareDevice& device) {
    switch (device.bus_type()) {
    case kBusTypeDirectHid:
        if (in_receiver_product_id_range(device.pid())) {
            return config_value(receivers_active) || config_value(usb_devices_active);
        }
        return config_value(usb_devices_active);
    case kBusTypeReceiver:
        return config_value(receivers_active);
    case kBusTypeBluetoothClassic:
        return config_value(bluetooth_active);
    case kBusTypeBleHid:
        return config_value(ble_active);
    default:
        return true;
    }
}

void DeviceManager::onPlug(std::shared_ptr<IHardwareDevice> hardware) {
    constexpr const char* kFunction = "devio::DeviceManager::onPlug";
    const int product_id = hardware->pid();
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::onPlug(pid=0x%x) begin...", product_id);
    if (!hardware->open()) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "DeviceManager::onPlug ignoring device it could not open");
        xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::onPlug(pid=0x%x) end...", product_id);
        return;
    }
    if (!accepted(*hardware)) {
        xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::onPlug ignoring suppressed device");
        return;
    }
    if (listed(hardware) != nullptr) {
        xLogWrite(kTag, kLogDebug, kFunction,
                  "  -- there is already a device (existing count = %d) for hwdev: %p",
                  static_cast<int>(device_list().size()), static_cast<void*>(hardware.get()));
        dumpDevices();
    } else {
        std::shared_ptr<IDevice> device;
        makeDevice(device, hardware, false, product_id);
        if (device == nullptr) {
            return;
        }
        xLogWrite(kTag, kLogDebug, kFunction, "   -- adding device pid=0x%x to deviceList",
                  product_id);
        {
            std::lock_guard<std::mutex> lock(device_list_mutex_);
            device_list_[hardware] = device;
        }
        xLogWrite(kTag, kLogDebug, kFunction, "   -- deviceList[%p] = %p",
                  static_cast<void*>(hardware.get()), static_cast<void*>(device.get()));
        dumpDevices();
        xLogWrite(kTag, kLogInfo, kFunction, "-api- pid=0x%x producing onDeviceArrival",
                  product_id);
        Producer<IDeviceManager::ArrivalRemoval>::produce(
            [device](IDeviceManager::ArrivalRemoval* subscriber) {
                subscriber->onDeviceArrival(device);
            },
            "DeviceManager::ArrivalRemoval::onDeviceArrival");
        if (std::shared_ptr<TessalyBus> receiver = std::dynamic_pointer_cast<TessalyBus>(device)) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "DeviceManager::onPlug devices is a receiver, so adding receiver bus");
            if (!addBus(receiver)) {
                xLogWrite(kTag, kLogInfo, kFunction,
                          "DeviceManager::onPlug addBus of receiver failed, will retry");
                retry_later(receiver);
            }
        }
    }
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::onPlug(pid=0x%x) ...end", product_id);
}

void DeviceManager::makeDevice(std::shared_ptr<IDevice>& device,
                               std::shared_ptr<IHardwareDevice> hardware, bool plain_device_only,
                               int product_id) {
    constexpr const char* kFunction = "devio::DeviceManager::makeDevice";
    xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::makeDevice enter");
    std::shared_ptr<DeviceManager> self = weak_from_this().lock();
    if (self == nullptr) { // only while the manager is being destroyed
        device.reset();
        return;
    }
    std::optional<ReceiverKind> kind = receiver_kind(product_id);
    if (config_value(receivers_active) && !plain_device_only && kind.has_value()) {
        xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::makeDevice making a tessaly bus");
        std::shared_ptr<TessalyBus> receiver =
            TessalyBus::create(self, std::move(hardware), kind->protocol_type, kind->slots);
        xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::makeDevice initializing tessaly bus");
        receiver->initDevice(self);
        xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::makeDevice exit, made bus");
        device = std::move(receiver);
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::makeDevice making a device");
    auto made = std::make_shared<Device>(self, std::move(hardware));
    xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::makeDevice initializing a device");
    made->initDevice(self);
    made->persistent_data_directory(data_directory());
    xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::makeDevice exit, made device");
    device = std::move(made);
}

void DeviceManager::onUnplug(std::shared_ptr<IHardwareDevice> hardware) {
    constexpr const char* kFunction = "devio::DeviceManager::onUnplug";
    const int product_id = hardware->pid();
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::onUnplug(pid=0x%x) begin...", product_id);
    if (std::shared_ptr<IDevice> device = listed(hardware)) {
        if (std::shared_ptr<TessalyBus> receiver = std::dynamic_pointer_cast<TessalyBus>(device)) {
            xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::onUnplug receiver removing bus");
            removeBus(receiver);
        }
        device->uninitDevice();
        if (!destroying_.load()) {
            xLogWrite(kTag, kLogInfo, kFunction, "-api- pid=0x%x producing onDeviceRemoval",
                      product_id);
            Producer<IDeviceManager::ArrivalRemoval>::produce(
                [device](IDeviceManager::ArrivalRemoval* subscriber) {
                    subscriber->onDeviceRemoval(device);
                },
                "DeviceManager::ArrivalRemoval::onDeviceRemoval");
        }
        xLogWrite(kTag, kLogDebug, kFunction, "   -- removing device pid=0x%x from deviceList",
                  product_id);
        {
            std::lock_guard<std::mutex> lock(device_list_mutex_);
            device_list_.erase(hardware);
        }
        dumpDevices();
    }
    xLogWrite(kTag, kLogDebug, kFunction, "DeviceManager::onUnplug(pid=0x%x) ...end", product_id);
}

void DeviceManager::retry_later(std::shared_ptr<IHardwareBus> bus) {
    retry_busses_.insert(std::move(bus));
    if (retry_count_ == 0 && retry_timer_ != nullptr) {
        retry_timer_->start(kFirstRetryDelayMs);
    }
    retry_count_ = 1;
}

void DeviceManager::onTimerEvent(int timer_id) {
    constexpr const char* kFunction = "devio::DeviceManager::onTimerEvent";
    if (timer_id != kAddBusRetryTimerId) {
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction, "DeviceManager::onTimerEvent(addbusRetryTimerId)");
    const BusSet pending = retry_busses_;
    if (pending.empty()) {
        retry_count_ = 0;
        return;
    }
    int failures = 0;
    for (const std::shared_ptr<IHardwareBus>& bus : pending) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "DeviceManager::onTimerEvent(addbusRetryTimerId) attempting addbus");
        if (addBus(bus)) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "DeviceManager::onTimerEvent(addbusRetryTimerId) addbus successful");
            retry_busses_.erase(bus);
        } else {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "DeviceManager::onTimerEvent(addbusRetryTimerId) addBus returned error %d",
                      code_of(last_error()));
            ++failures;
        }
    }
    if (failures == 0) {
        retry_count_ = 0;
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "DeviceManager::onTimerEvent(addbusRetryTimerId) retry %d failed", retry_count_);
    ++retry_count_;
    if (retry_count_ <= kMaxRetryRounds) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "DeviceManager::onTimerEvent(addbusRetryTimerId) starting retry timer");
        retry_timer_->start(kFirstRetryDelayMs << retry_count_);
        return;
    }
    constexpr const char* kExhausted = "Tessaly device enumeration failed after max retry attempts";
    set_last_error(ErrorCode::AddBusRetriesExhausted, 0, kExhausted);
    report_unreported_error("TessalyBus");
    retry_count_ = 0;
    retry_busses_.clear();
    set_last_error(ErrorCode::AddBusRetriesExhausted, 0, kExhausted);
    report_unreported_error("DeviceManager::addBus retry failed all attempts");
}

void DeviceManager::onPowerChange(bool standBy) {
    xLogWrite(kTag, kLogInfo, "devio::DeviceManager::onPowerChange",
              "DeviceManager::onPowerChange(standBy=%d)", standBy ? 1 : 0);
    if (standBy) {
        return;
    }
    for (const std::shared_ptr<IHardwareBus>& bus : BusSet(saved_busses_)) {
        if (std::dynamic_pointer_cast<TessalyBus>(bus) != nullptr) {
            take_in(bus->devices());
        }
    }
    for (const auto& [hardware, device] : device_list()) {
        device->confirm_configuration();
    }
}

void DeviceManager::onActiveChanged(bool active) {
    xLogWrite(kTag, kLogDebug, "devio::DeviceManager::onActiveChanged",
              "DeviceManager::onActiveChanged(active = %d)", active ? 1 : 0);
    if (active) {
        for (const std::shared_ptr<IHardwareBus>& bus : BusSet(saved_busses_)) {
            take_in(bus->devices());
        }
    }
}

void DeviceManager::take_in(const std::vector<std::shared_ptr<IHardwareDevice>>& found) {
    // A receiver's forced-arrival enumeration and the pairing bus list what they find without
    // announcing it: what is not in the list yet is taken as plugged.
    for (const std::shared_ptr<IHardwareDevice>& hardware : found) {
        if (listed(hardware) == nullptr) {
            onPlug(hardware);
        }
    }
}

std::vector<std::shared_ptr<IDevice>> DeviceManager::devices() {
    const char* where = "devio::DeviceManager::devices";
    xLogWrite(kTag, kLogInfo, where, "-api- enter");
    if (!lazyInitializeHardwareBusses()) {
        xLogWrite(kTag, kLogInfo, where, "DeviceManager::devices() exit (false, lazyInit failed)");
        return {};
    }
    for (const std::shared_ptr<IHardwareBus>& bus : BusSet(hardware_busses_)) {
        bus->refresh();
    }
    std::vector<std::shared_ptr<IDevice>> result;
    for (const auto& [hardware, device] : device_list()) {
        result.push_back(device);
    }
    if (result.empty()) {
        set_last_error(ErrorCode::NoError);
    }
    xLogWrite(kTag, kLogInfo, where, "-api- exit, returned %d devices",
              static_cast<int>(result.size()));
    return result;
}

std::vector<std::shared_ptr<IDevice>>
DeviceManager::devices_on_bus(std::shared_ptr<IHardwareBus> bus) {
    std::vector<std::shared_ptr<IDevice>> result;
    for (const auto& [hardware, device] : device_list()) {
        if (hardware->bus().lock() == bus) {
            result.push_back(device);
        }
    }
    return result;
}

void DeviceManager::persistent_data_directory(const std::string& directory) {
    std::string stored = directory;
    if (!stored.empty() && stored.back() != '/' && stored.back() != '\\') {
        stored += '/';
    }
    xLogWrite(kTag, kLogInfo, "devio::DeviceManager::persistent_data_directory",
              "-api- persistent_data_directory %s", stored.c_str());
    {
        std::lock_guard<std::mutex> lock(directory_mutex_);
        persistent_data_directory_ = stored;
    }
    for (const auto& [hardware, device] : device_list()) {
        if (auto made = std::dynamic_pointer_cast<Device>(device)) {
            made->persistent_data_directory(stored);
        }
    }
    for (const std::shared_ptr<IHardwareBus>& bus : BusSet(saved_busses_)) {
        bus->persistent_data_directory(stored);
    }
}

bool DeviceManager::config_set(unsigned item, bool value) {
    const char* where = "devio::DeviceManager::config_set";
    xLogWrite(kTag, kLogInfo, where, "-api- %d = %d", static_cast<int>(item), value ? 1 : 0);
    if (!valid_config_item(item)) {
        xLogWrite(kTag, kLogInfo, where,
                  "DeviceManager::config_set exit, invalid config item %d = %d",
                  static_cast<int>(item), value ? 1 : 0);
        return false;
    }
    if (config_item(item).exchange(value) != value && initialised_) {
        xLogWrite(kTag, kLogInfo, where, "DeviceManager::config_set removing busses");
        for (const std::shared_ptr<IHardwareBus>& bus : BusSet(hardware_busses_)) {
            removeBus(bus);
        }
        hardware_busses_.clear();
        xLogWrite(kTag, kLogInfo, where, "DeviceManager::config_set creating busses");
        // The switch itself is stored; a bus that cannot be made logs why and is left out.
        static_cast<void>(connectToHardwareBusses());
    }
    xLogWrite(kTag, kLogInfo, where, "DeviceManager::config_set exit, %d = %d",
              static_cast<int>(item), value ? 1 : 0);
    return true;
}

void DeviceManager::dumpDevices() {
    constexpr const char* kFunction = "devio::DeviceManager::dumpDevices";
    xLogWrite(kTag, kLogDebug, kFunction, "---- DeviceManager::dumpDevices() begin... ----");
    for (const auto& [hardware, device] : device_list()) {
        xLogWrite(kTag, kLogDebug, kFunction, "  -- device with pid: 0x%x", device->pid());
    }
    xLogWrite(kTag, kLogDebug, kFunction, "---- DeviceManager::dumpDevices() ...end ----");
}

} // namespace devio

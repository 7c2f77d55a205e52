#include "Source/Busses/PairingBus.h"

#include "Source/Busses/PairingDevice.h"
#include "Source/Contracts/BusType.h"
#include "Source/Contracts/IBluetoothBus.h"
#include "Source/Contracts/IDeviceManager.h"
#include "Source/Contracts/IHardwareSecondaryBus.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "PairingBus";

} // namespace

std::shared_ptr<PairingBus> PairingBus::create(std::weak_ptr<IDeviceManager> manager,
                                               std::shared_ptr<IHardwareBus> below) {
    return std::shared_ptr<PairingBus>(new PairingBus(std::move(manager), std::move(below)));
}

PairingBus::PairingBus(std::weak_ptr<IDeviceManager> manager, std::shared_ptr<IHardwareBus> below)
    : below_(std::move(below)), manager_(std::move(manager)) {
    static constexpr const char* kItems[] = {
        "PairingBus bluetooth_active = %d", "PairingBus ble_active = %d",
        "PairingBus ble_monitor = %d", "PairingBus use_blexp = %d"};
    std::shared_ptr<IDeviceManager> owner = manager_.lock();
    for (unsigned item = 0; item < 4; ++item) {
        bool value = false;
        if (owner != nullptr && !owner->config_get(item, &value)) {
            value = false; // an item the manager does not keep counts as off
        }
        xLogWrite(kTag, kLogInfo, "devio::PairingBus::PairingBus", kItems[item], value ? 1 : 0);
    }
}

PairingBus::~PairingBus() {
    // The busses below call us directly: leave them before the map goes.
    for (const std::shared_ptr<IHardwareBus>& bus : busses_below()) {
        Subscriber<IHardwareBus::PlugUnplug>::unsubscribe(bus);
    }
}

std::vector<std::shared_ptr<IHardwareBus>> PairingBus::busses_below() {
    std::vector<std::shared_ptr<IHardwareBus>> busses{below_};
    try {
        for (const std::shared_ptr<IHardwareSecondaryBus>& secondary : below_->secondary_busses()) {
            busses.push_back(secondary);
        }
    } catch (const std::exception&) {
        xLogWrite(kTag, kLogWarning, "devio::PairingBus::busses_below",
                  "PairingBus devices secondary_busses exception");
    }
    return busses;
}

bool PairingBus::subscribe_below() {
    for (const std::shared_ptr<IHardwareBus>& bus : busses_below()) {
        if (!Subscriber<IHardwareBus::PlugUnplug>::subscribe(bus, DeliverDirect,
                                                             "PairingBus::PlugUnplug")) {
            return false;
        }
    }
    return true;
}

bool PairingBus::on_subscribe(IHardwareBus::PlugUnplug* /*subscriber*/) {
    const bool subscribed = subscribe_below();
    xLogWrite(kTag, kLogInfo, "devio::PairingBus::on_subscribe",
              "PairingBus::on_subscribe exit, ret=%d", subscribed ? 1 : 0);
    return subscribed;
}

std::shared_ptr<PairingDevice> PairingBus::tracked(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = tracked_.find(path);
    return found != tracked_.end() ? found->second : nullptr;
}

std::string PairingBus::bluetooth_address(const std::string& path, int* bus_type) {
    for (const std::shared_ptr<IBluetoothBus>& bluetooth : below_->bluetooth_busses()) {
        for (int type : {kBusTypeBluetoothClassic, kBusTypeBleHid}) {
            std::string address = bluetooth->device_paired_on_path(path, type);
            if (!address.empty()) {
                *bus_type = type;
                return address;
            }
        }
    }
    return {};
}

std::shared_ptr<PairingDevice> PairingBus::wrap(const std::shared_ptr<IHardwareDevice>& device,
                                                bool* is_new) {
    const std::string path = device->path();
    std::shared_ptr<PairingDevice> existing = tracked(path);
    if (existing == nullptr) {
        int type = kBusTypeDirectHid;
        std::string address = bluetooth_address(path, &type);
        auto made =
            std::make_shared<PairingDevice>(weak_from_this(), device, std::move(address), type);
        std::lock_guard<std::mutex> lock(mutex_);
        // Another thread may have tracked the path meanwhile; the first one stays.
        auto [it, inserted] = tracked_.emplace(path, std::move(made));
        *is_new = inserted;
        existing = it->second;
        if (inserted) {
            return existing;
        }
    } else {
        *is_new = false;
    }
    if (!existing->attach(device) && existing->hardware() != device) {
        // The tracked device keeps the object it has; this one is not used.
        device->close();
    }
    return existing;
}

std::vector<std::shared_ptr<IHardwareDevice>> PairingBus::devices() {
    constexpr const char* kFunction = "devio::PairingBus::devices";
    if (!subscribe_below()) {
        xLogWrite(kTag, kLogInfo, kFunction, "PairingBus::devices exit (false, subscribe failed)");
        return {};
    }
    std::vector<std::shared_ptr<IHardwareDevice>> found;
    for (const std::shared_ptr<IHardwareBus>& bus : busses_below()) {
        std::vector<std::shared_ptr<IHardwareDevice>> listed = bus->devices();
        if (listed.empty() && last_error().code != ErrorCode::NoError) {
            if (bus == below_) {
                xLogWrite(kTag, kLogInfo, kFunction,
                          "PairingBus::devices exit (propagating error %d)", last_error_code());
                return {};
            }
            xLogWrite(kTag, kLogWarning, kFunction,
                      "PairingBus devices secondary_busses exception");
        }
        found.insert(found.end(), listed.begin(), listed.end());
    }
    std::vector<std::shared_ptr<IHardwareDevice>> result;
    for (const std::shared_ptr<IHardwareDevice>& device : found) {
        if (!device->open()) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "PairingBus::devices ignoring device it could not open");
            continue;
        }
        bool is_new = false;
        std::shared_ptr<PairingDevice> wrapped = wrap(device, &is_new);
        if (is_new) {
            xLogWrite(kTag, kLogInfo, kFunction, "PairingBus::devices tracking %s",
                      wrapped->path().c_str());
        }
        result.push_back(wrapped);
    }
    set_last_error(ErrorCode::NoError);
    xLogWrite(kTag, kLogInfo, kFunction, "PairingBus::devices exit (success, returning %d devices)",
              static_cast<int>(result.size()));
    return result;
}

void PairingBus::onPlug(std::shared_ptr<IHardwareDevice> device) {
    constexpr const char* kFunction = "devio::PairingBus::onPlug";
    xLogWrite(kTag, kLogInfo, kFunction, "PairingBus::onPlug enter (pid = 0x%x)", device->pid());
    if (!device->open()) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "PairingBus::onPlug exit, ignoring device it could not open");
        return;
    }
    bool is_new = false;
    std::shared_ptr<PairingDevice> wrapped = wrap(device, &is_new);
    if (!is_new) {
        xLogWrite(kTag, kLogInfo, kFunction, "PairingBus::onPlug exit, already tracking %s",
                  wrapped->path().c_str());
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction, "PairingBus::onPlug tracking %s", wrapped->path().c_str());
    std::shared_ptr<IHardwareDevice> announced = wrapped;
    Producer<IHardwareBus::PlugUnplug>::produce(
        [announced](IHardwareBus::PlugUnplug* subscriber) { subscriber->onPlug(announced); },
        "PairingBus::PlugUnplug::onPlug");
}

void PairingBus::onUnplug(std::shared_ptr<IHardwareDevice> device) {
    constexpr const char* kFunction = "devio::PairingBus::onUnplug";
    const std::string path = device->path();
    std::shared_ptr<PairingDevice> wrapped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = tracked_.find(path);
        if (found != tracked_.end()) {
            wrapped = found->second;
            tracked_.erase(found);
        }
    }
    if (wrapped == nullptr) {
        xLogWrite(kTag, kLogInfo, kFunction, "PairingBus::onUnplug exit, not tracking %s",
                  path.c_str());
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction, "PairingBus::onUnplug producing unPlug event");
    std::shared_ptr<IHardwareDevice> announced = wrapped;
    Producer<IHardwareBus::PlugUnplug>::produce(
        [announced](IHardwareBus::PlugUnplug* subscriber) { subscriber->onUnplug(announced); },
        "PairingBus::PlugUnplug::onUnplug");
}

void PairingBus::onPowerChange(bool standBy) {
    xLogWrite(kTag, kLogInfo, "devio::PairingBus::onPowerChange",
              "PairingBus::onPowerChange(standBy=%d)", standBy ? 1 : 0);
    Producer<IHardwareBus::PlugUnplug>::produce(
        [standBy](IHardwareBus::PlugUnplug* subscriber) { subscriber->onPowerChange(standBy); },
        "PairingBus::PlugUnplug::onPowerChange");
}

} // namespace devio

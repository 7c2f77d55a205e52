// PairingBus: the filter bus at the top of the hardware stack. It wraps every device of the bus
// below (and of that bus's secondary busses) in a PairingDevice, tracked by path, and asks the
// Bluetooth busses of the bus below whether the device's path belongs to a device paired over
// Bluetooth. A device that is not on Bluetooth passes through unchanged. Its own Bluetooth and
// secondary busses stay empty, so that the device manager adds no bus beside it: the devices of
// the secondary busses reach the manager through this bus.
//
// Threads: onPlug, onUnplug and onPowerChange run on the thread that delivers the events of the
// busses below (the HID bus's window thread, or a device's read thread for removals); devices()
// runs on the application's thread, possibly at the same time. The tracked map has a mutex of its
// own, never held while an event is produced or a bus or device below is called.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Contracts/IHardwareBus.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"

namespace devio {

class IDeviceManager;
class PairingDevice;

class PairingBus : public IHardwareBus,
                   public Producer<IHardwareBus::PlugUnplug>,
                   public Subscriber<IHardwareBus::PlugUnplug>,
                   public std::enable_shared_from_this<PairingBus> {
public:
    static std::shared_ptr<PairingBus> create(std::weak_ptr<IDeviceManager> manager,
                                              std::shared_ptr<IHardwareBus> below);
    ~PairingBus() override;
    PairingBus(const PairingBus&) = delete;
    PairingBus& operator=(const PairingBus&) = delete;

    // The wrapped devices of the busses below. An empty list keeps the error of the bus below.
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override;

    const std::shared_ptr<IHardwareBus>& below() const { return below_; }
    // The tracked device of `path`, or null.
    std::shared_ptr<PairingDevice> tracked(const std::string& path) const;

protected:
    // Events of the busses below.
    void onPlug(std::shared_ptr<IHardwareDevice> device) override;
    void onUnplug(std::shared_ptr<IHardwareDevice> device) override;
    void onPowerChange(bool standBy) override;
    // Our first subscriber makes us listen to the busses below.
    bool on_subscribe(IHardwareBus::PlugUnplug* subscriber) override;

private:
    PairingBus(std::weak_ptr<IDeviceManager> manager, std::shared_ptr<IHardwareBus> below);
    // The bus below and its secondary busses.
    std::vector<std::shared_ptr<IHardwareBus>> busses_below();
    bool subscribe_below();
    // The tracked device for `device` (an open device of a bus below) and whether it is new.
    std::shared_ptr<PairingDevice> wrap(const std::shared_ptr<IHardwareDevice>& device,
                                        bool* is_new);
    // The Bluetooth address of the path, trying Bluetooth classic first, then low energy; empty
    // when the device is not on Bluetooth.
    std::string bluetooth_address(const std::string& path, int* bus_type);

    const std::shared_ptr<IHardwareBus> below_;
    const std::weak_ptr<IDeviceManager> manager_;
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<PairingDevice>> tracked_; // by path; guarded
};

} // namespace devio

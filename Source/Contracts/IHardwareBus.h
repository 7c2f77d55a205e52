// A hardware bus: finds hardware devices and announces their arrival and removal through its
// PlugUnplug event. Busses stack: a bus may sit on another and re-publish its devices (the
// collection combiner, the pairing filter), and a receiver is a bus of the devices paired to it.
//
// A bus starts its machinery (threads, notifications) on its first subscription or devices() call.
// PlugUnplug comes from the thread that noticed the change: the HID bus's window thread, a read
// thread that found its device gone, or the thread that delivered the event of the bus below.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace devio {

class IHardwareDevice;
class IBluetoothBus;
class IHardwareSecondaryBus;

class IHardwareBus {
public:
    class PlugUnplug {
    public:
        virtual void onPlug(std::shared_ptr<IHardwareDevice> /*device*/) {}
        // May name another object than the one announced by onPlug: match devices by path().
        virtual void onUnplug(std::shared_ptr<IHardwareDevice> /*device*/) {}
        virtual void onPowerChange(bool /*standBy*/) {}
        virtual ~PlugUnplug() = default;
    };

    virtual ~IHardwareBus() = default;

    // The devices present now. An empty list with a non-zero LastError code means the bus could not
    // enumerate.
    virtual std::vector<std::shared_ptr<IHardwareDevice>> devices() = 0;
    // Kept so that the operations stay in their order; carries no behaviour.
    virtual int reserved_2() { return 0; }
    // Not empty: the device manager puts the pairing filter on top of this bus.
    virtual std::vector<std::shared_ptr<IBluetoothBus>> bluetooth_busses() { return {}; }
    virtual void persistent_data_directory(std::string /*directory*/) {}
    // The devices of this bus are single HID collections that the combiner must join.
    virtual bool needs_combiner() { return false; }
    // Each one is added to the device manager as a bus of its own.
    virtual std::vector<std::shared_ptr<IHardwareSecondaryBus>> secondary_busses() { return {}; }
    virtual void refresh() {}
};

} // namespace devio

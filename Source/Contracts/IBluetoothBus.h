// A Bluetooth bus: tells which hardware device paths belong to Bluetooth devices and tracks the
// machine's radios. The internal radio events serve the library's own pairing filter, the
// external ones its users.
#pragma once

#include <string>

struct DEV_BROADCAST_HDR;

namespace devio {

class IBluetoothBus {
public:
    class RadioArrivalRemovalInternal {
    public:
        virtual void onRadioArrival(std::string /*radio*/) {}
        virtual void onRadioRemoval(std::string /*radio*/) {}
        virtual ~RadioArrivalRemovalInternal() = default;
    };

    class RadioArrivalRemovalExternal {
    public:
        virtual void onRadioArrival(std::string /*radio*/) {}
        virtual void onRadioRemoval(std::string /*radio*/) {}
        virtual ~RadioArrivalRemovalExternal() = default;
    };

    virtual ~IBluetoothBus() = default;

    // The Bluetooth address of the device on `path` when it is paired over the given bus type
    // (kBusTypeBluetoothClassic or a low-energy kind), else an empty string.
    virtual std::string device_paired_on_path(const std::string& path, int bus_type) = 0;
    virtual void process_wm_devicechange(unsigned /*event*/, const DEV_BROADCAST_HDR* /*header*/) {}
};

} // namespace devio

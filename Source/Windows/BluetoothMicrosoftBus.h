// BluetoothMicrosoftBus: the system's Bluetooth stack as a Bluetooth bus. The Windows HID bus makes
// one; the pairing bus asks it whether a HID path belongs to a device paired over Bluetooth, which
// the system's device-enumeration registry tells: a paired device has a model key under the
// Bluetooth enumerator whose name is part of its HID path, and below it an instance key whose
// name, or whose "ParentIDPrefix" value, is part of the path too. The answer, an address or none,
// is kept per path and bus type, since the registry is slow and a path never changes its device.
//
// Threads: device_paired_on_path runs on the HID bus's window thread (plug events) and on the
// application's thread (enumerations); the cache has a mutex of its own, not held while the
// registry is read.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Source/Contracts/IBluetoothBus.h"

namespace devio {

class BluetoothMicrosoftBus : public IBluetoothBus {
public:
    // Read-only view of the system's device-enumeration registry. Keys are paths below the local
    // machine's root, separated by backslashes.
    class Registry {
    public:
        virtual ~Registry() = default;
        // The names of the subkeys of `key`; empty when the key does not exist.
        virtual std::vector<std::string> subkeys(const std::string& key) = 0;
        // The string value `name` of `key`, if there is one.
        virtual std::optional<std::string> string_value(const std::string& key,
                                                        const std::string& name) = 0;
    };

    static constexpr const char* kClassicEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\BTHENUM";
    static constexpr const char* kLowEnergyEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\BTHLEDevice";

    // Without a registry the bus reads this platform's, which lists no Bluetooth device.
    explicit BluetoothMicrosoftBus(bool active, std::shared_ptr<Registry> registry = nullptr);

    // Whether Bluetooth devices are followed (Bluetooth classic or low energy switched on).
    bool active() const { return active_; }

    // The address "%02X%02X:%02X:%02X%02X%02X" of the device on `path` when it is paired over
    // `bus_type` (kBusTypeBluetoothClassic or kBusTypeBleHid), else an empty string.
    std::string device_paired_on_path(const std::string& path, int bus_type) override;

private:
    std::string lookup(const std::string& path, const char* enum_key);

    const bool active_;
    const std::shared_ptr<Registry> registry_;
    std::mutex mutex_;
    std::map<std::pair<std::string, int>, std::string> cache_; // guarded by mutex_
};

} // namespace devio

#include "Source/Windows/BluetoothMicrosoftBus.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "Source/Contracts/BusType.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "BluetoothMicrosoftBus";
constexpr const char* kFunction = "devio::BluetoothMicrosoftBus::device_paired_on_path";

// This platform has no device-enumeration registry, so no device is paired over Bluetooth.
class NoRegistry : public BluetoothMicrosoftBus::Registry {
public:
    std::vector<std::string> subkeys(const std::string& /*key*/) override { return {}; }
    std::optional<std::string> string_value(const std::string& /*key*/,
                                            const std::string& /*name*/) override {
        return std::nullopt;
    }
};

// Registry names and device paths differ in case.
bool contains_ignoring_case(const std::string& text, const std::string& part) {
    if (part.empty()) {
        return false;
    }
    auto found =
        std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
            return std::toupper(static_cast<unsigned char>(a)) ==
                   std::toupper(static_cast<unsigned char>(b));
        });
    return found != text.end();
}

// An instance name ends in the device's twelve-digit address, after its last '&' and before an
// optional '_' suffix ("8&2b2a1c3&0&001F20A1B2C3_C00000000").
std::string address_of_instance(const std::string& instance) {
    const std::size_t amp = instance.rfind('&');
    const std::size_t start = amp == std::string::npos ? 0 : amp + 1;
    const std::size_t end = std::min(instance.find('_', start), instance.size());
    const std::string digits = instance.substr(start, end - start);
    if (digits.size() != 12 || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return {};
    }
    unsigned bytes[6];
    for (int i = 0; i < 6; ++i) {
        bytes[i] = static_cast<unsigned>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
    }
    char text[18];
    std::snprintf(text, sizeof(text), "%02X%02X:%02X:%02X%02X%02X", bytes[0], bytes[1], bytes[2],
                  bytes[3], bytes[4], bytes[5]);
    return text;
}

} // namespace

BluetoothMicrosoftBus::BluetoothMicrosoftBus(bool active, std::shared_ptr<Registry> registry)
    : active_(active),
      registry_(registry != nullptr ? std::move(registry) : std::make_shared<NoRegistry>()) {}

std::string BluetoothMicrosoftBus::device_paired_on_path(const std::string& path, int bus_type) {
    const std::pair<std::string, int> key(path, bus_type);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto cached = cache_.find(key);
        if (cached != cache_.end()) {
            xLogWrite(kTag, kLogDebug, kFunction,
                      "device_paired_on_path - Got cached address %s for path %s",
                      cached->second.c_str(), path.c_str());
            return cached->second;
        }
    }
    std::string address;
    if (bus_type == kBusTypeBluetoothClassic) {
        address = lookup(path, kClassicEnumKey);
    } else if (bus_type == kBusTypeBleHid) {
        xLogWrite(kTag, kLogDebug, kFunction, "device_paired_on_path checking BLE");
        address = lookup(path, kLowEnergyEnumKey);
    }
    xLogWrite(kTag, kLogDebug, kFunction,
              "device_paired_on_path - Returning address %s for path %s", address.c_str(),
              path.c_str());
    std::lock_guard<std::mutex> lock(mutex_);
    cache_.emplace(key, address);
    return address;
}

std::string BluetoothMicrosoftBus::lookup(const std::string& path, const char* enum_key) {
    const std::string root = enum_key;
    for (const std::string& model : registry_->subkeys(root)) {
        if (!contains_ignoring_case(path, model)) {
            continue;
        }
        const std::string model_key = root + "\\" + model;
        for (const std::string& instance : registry_->subkeys(model_key)) {
            std::optional<std::string> prefix =
                registry_->string_value(model_key + "\\" + instance, "ParentIDPrefix");
            if (contains_ignoring_case(path, instance) ||
                (prefix.has_value() && contains_ignoring_case(path, *prefix))) {
                std::string address = address_of_instance(instance);
                if (!address.empty()) {
                    return address;
                }
            }
        }
    }
    return {};
}

} // namespace devio

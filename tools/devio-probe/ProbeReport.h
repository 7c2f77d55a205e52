// What devio-probe found, as plain data for the writers: the receivers with the devices paired to
// them, and the devices reached directly.
#pragma once

#include <optional>
#include <string>
#include <vector>


namespace devio::probe {

struct ProbeFeature {
    int number = 0; // feature number, 0x0000 to 0xFFFF
    int index = 0;  // feature index on the device
    int version = 0;
};

// One decoded value of a feature, such as the device's name or its DPI list.
struct ProbeValue {
    std::string key; // "device_name", "dpi_list", ...
    std::string text;
    bool operator==(const ProbeValue&) const = default;
};

// A feature number the library has a class for.
struct ProbeFeatureClass {
    int number = 0;
    std::string name;
};

struct ProbeFirmwareEntity {
    int index = 0;
    int type = 0; // 0 application, 1 bootloader, 2 hardware
    std::string prefix;
    std::string version;   // the version word as four hexadecimal digits
    std::string build;     // the build word as four hexadecimal digits
    std::string formatted; // "major.minor.build"
};

struct ProbeDevice {
    std::optional<int> slot; // 0-based pairing slot of a device behind a receiver
    int product_id = 0;
    std::string name;
    std::string path;
    bool connected = false;
    int bus_type = 0;
    // Filled for connected RAP 2.0 devices.
    std::vector<ProbeFeature> features;
    std::vector<ProbeFirmwareEntity> firmware;
    std::vector<ProbeValue> values;
};

struct ProbeReceiver {
    int product_id = 0;
    std::string name;
    std::string path;
    int bus_type = 0;
    std::vector<ProbeDevice> paired;
};

struct ProbeReport {
    std::vector<ProbeReceiver> receivers;
    std::vector<ProbeDevice> devices;
};

// The text name of a bus type ("direct HID", "receiver", ...).
const char* bus_type_name(int bus_type);
// A product ID or feature number as "0x" and four upper-case hexadecimal digits.
std::string hex_id(int value);

} // namespace devio::probe

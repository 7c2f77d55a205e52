// What sysfs tells of one hidraw node: its HID device's bus, vendor and product ID, version, name
// and physical path, the parent device its collections are grouped by, and its top-level
// collections, each with the path by which the HID bus knows it.
//
// Paths: "<dev>/hidrawN" for a node with one top-level collection; "<dev>/hidrawN&colKK" (KK from
// 01) for each collection of a node with several, since the bus expects one device per collection
// while hidraw makes one node per HID device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Source/Byte.h"
#include "Source/Linux/HidReportDescriptor.h"

namespace devio {

struct HidrawNode {
    static constexpr uint16_t kBusUsb = 0x03;
    static constexpr uint16_t kBusBluetooth = 0x05;

    std::string sysname;     // "hidraw3"
    std::string devnode;     // "<dev>/hidraw3"
    std::string device_path; // the real sysfs path of the node's HID device (unique per plug)
    uint16_t bus = 0;
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    uint16_t version = 0;        // the USB device's release number; 0 without a USB device
    std::string name;            // HID_NAME
    std::string phys;            // HID_PHYS
    std::string parent_instance; // the USB device's sysfs path, or bus, IDs and physical path
    std::vector<Byte> descriptor;
    std::vector<HidTopLevelCollection> collections;

    // Reads the node from `<sysfs>/class/hidraw/<sysname>`. Empty, with a log line, when its
    // attributes cannot be read or its bus is neither USB nor Bluetooth.
    static std::optional<HidrawNode> read(const std::string& sysfs, const std::string& dev,
                                          const std::string& sysname);

    // The collection paths, in descriptor order; one path for a node whose descriptor could not
    // be read or parsed.
    std::vector<std::string> paths() const;

    // Splits a collection path into the node's device file and the collection's index (0-based).
    [[nodiscard]] static bool split_path(const std::string& path, std::string* devnode,
                                         std::size_t* index);

    // The parent instance of a device without a USB ancestor: bus, vendor, product and the
    // physical path without its trailing "/inputN".
    static std::string phys_parent(uint16_t bus, uint16_t vendor_id, uint16_t product_id,
                                   const std::string& phys);
};

} // namespace devio

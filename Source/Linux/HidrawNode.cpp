#include "Source/Linux/HidrawNode.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "Source/Log/xLog.h"

namespace devio {
namespace {

const char* const kTag = "HidrawNode";
const char* const kWhere = "devio::HidrawNode::read";
constexpr const char* kCollectionMark = "&col";

namespace fs = std::filesystem;

std::optional<std::string> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return text;
}

// The value of `key` in a uevent file ("KEY=value" lines); empty when it is missing.
std::string uevent_value(const std::string& uevent, const std::string& key) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size() + 1, key + "=") == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

// "0003:00003A7C:0000B401" into bus, vendor and product.
bool parse_hid_id(const std::string& text, uint16_t* bus, uint16_t* vendor, uint16_t* product) {
    unsigned b = 0;
    unsigned v = 0;
    unsigned p = 0;
    if (std::sscanf(text.c_str(), "%x:%x:%x", &b, &v, &p) != 3 || b > 0xFFFF || v > 0xFFFF ||
        p > 0xFFFF) {
        return false;
    }
    *bus = static_cast<uint16_t>(b);
    *vendor = static_cast<uint16_t>(v);
    *product = static_cast<uint16_t>(p);
    return true;
}

// The nearest USB device above the HID device, inside the sysfs tree; empty when there is none.
fs::path usb_ancestor(const fs::path& sysfs, const fs::path& device) {
    std::error_code error;
    fs::path root = fs::weakly_canonical(sysfs, error);
    for (fs::path at = device.parent_path(); !at.empty() && at != root && at != at.root_path();
         at = at.parent_path()) {
        std::optional<std::string> uevent = read_file(at / "uevent");
        if (uevent && uevent_value(*uevent, "DEVTYPE") == "usb_device") {
            return at;
        }
    }
    return {};
}

} // namespace

std::string HidrawNode::phys_parent(uint16_t bus, uint16_t vendor_id, uint16_t product_id,
                                    const std::string& phys) {
    std::string base = phys;
    std::size_t slash = base.rfind("/input");
    if (slash != std::string::npos &&
        base.find_first_not_of("0123456789", slash + 6) == std::string::npos) {
        base.resize(slash);
    }
    char text[48];
    std::snprintf(text, sizeof(text), "HID\\%04X:%04X:%04X\\", bus, vendor_id, product_id);
    return text + base;
}

std::optional<HidrawNode> HidrawNode::read(const std::string& sysfs, const std::string& dev,
                                           const std::string& sysname) {
    HidrawNode node;
    node.sysname = sysname;
    node.devnode = (fs::path(dev) / sysname).string();
    fs::path device_link = fs::path(sysfs) / "class" / "hidraw" / sysname / "device";
    std::error_code error;
    fs::path device = fs::canonical(device_link, error);
    std::optional<std::string> uevent = read_file(device_link / "uevent");
    if (error || !uevent) {
        xLogWrite(kTag, kLogWarning, kWhere, "%s: cannot read %s, skipped", sysname.c_str(),
                  (device_link / "uevent").c_str());
        return std::nullopt;
    }
    node.device_path = device.string();
    if (!parse_hid_id(uevent_value(*uevent, "HID_ID"), &node.bus, &node.vendor_id,
                      &node.product_id)) {
        xLogWrite(kTag, kLogWarning, kWhere, "%s: no HID_ID in its uevent, skipped",
                  sysname.c_str());
        return std::nullopt;
    }
    if (node.bus != kBusUsb && node.bus != kBusBluetooth) {
        xLogWrite(kTag, kLogInfo, kWhere, "%s: bus 0x%04x is neither USB nor Bluetooth, skipped",
                  sysname.c_str(), node.bus);
        return std::nullopt;
    }
    node.name = uevent_value(*uevent, "HID_NAME");
    node.phys = uevent_value(*uevent, "HID_PHYS");
    fs::path usb = usb_ancestor(sysfs, device);
    if (!usb.empty()) {
        node.parent_instance = usb.string();
        if (std::optional<std::string> release = read_file(usb / "bcdDevice")) {
            node.version = static_cast<uint16_t>(std::strtoul(release->c_str(), nullptr, 16));
        }
    } else {
        node.parent_instance = phys_parent(node.bus, node.vendor_id, node.product_id, node.phys);
    }
    std::optional<std::string> descriptor = read_file(device_link / "report_descriptor");
    if (!descriptor) {
        xLogWrite(kTag, kLogWarning, kWhere,
                  "%s: cannot read its report descriptor; listed as one collection",
                  sysname.c_str());
    } else {
        node.descriptor.assign(descriptor->begin(), descriptor->end());
        node.collections =
            HidReportDescriptor::parse(node.descriptor.data(), node.descriptor.size(), node.devnode)
                .collections;
    }
    return node;
}

std::vector<std::string> HidrawNode::paths() const {
    if (collections.size() <= 1) {
        return {devnode};
    }
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < collections.size(); ++i) {
        std::string number = std::to_string(i + 1);
        paths.push_back(devnode + kCollectionMark + (number.size() < 2 ? "0" : "") + number);
    }
    return paths;
}

bool HidrawNode::split_path(const std::string& path, std::string* devnode, std::size_t* index) {
    std::size_t mark = path.rfind(kCollectionMark);
    if (mark == std::string::npos) {
        *devnode = path;
        *index = 0;
        return !path.empty();
    }
    const char* number = path.c_str() + mark + 4;
    char* end = nullptr;
    unsigned long value = std::strtoul(number, &end, 10);
    if (end == number || *end != '\0' || value == 0 || value > 255) {
        return false;
    }
    *devnode = path.substr(0, mark);
    *index = value - 1;
    return true;
}

} // namespace devio

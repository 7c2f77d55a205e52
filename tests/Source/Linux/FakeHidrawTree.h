// A sysfs and /dev tree in a temporary folder with hidraw nodes laid out as the kernel lays them
// out: a node under a USB interface of a USB device, or under uhid's virtual device; the device
// files are plain files, which open like nodes but are no hidraw nodes (the report descriptor then
// comes from sysfs).
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Source/Byte.h"
#include "support/TempDir.h"

namespace devio::test {

class FakeHidrawTree {
public:
    struct Node {
        std::string sysname; // "hidraw0"
        std::string hid_id;  // "0003:00003A7C:0000B401"
        std::string name = "Test Receiver";
        std::string phys; // HID_PHYS
        std::vector<Byte> descriptor;
        std::string usb_device;       // "1-1": under this USB device; empty: under uhid
        std::string release = "1201"; // the USB device's bcdDevice
        int interface = 0;
        bool with_uevent = true;
    };

    FakeHidrawTree() {
        namespace fs = std::filesystem;
        fs::create_directories(sysfs() + "/class/hidraw");
        fs::create_directories(dev());
    }

    std::string sysfs() const { return dir_.path() + "/sys"; }
    std::string dev() const { return dir_.path() + "/dev"; }

    void add(const Node& node) {
        namespace fs = std::filesystem;
        fs::path hid;
        if (node.usb_device.empty()) {
            hid = fs::path(sysfs()) / "devices/virtual/misc/uhid" /
                  (hid_name(node) + "." + std::to_string(++devices_));
        } else {
            fs::path usb =
                fs::path(sysfs()) / "devices/pci0000:00/0000:00:14.0/usb1" / node.usb_device;
            fs::create_directories(usb);
            write(usb / "uevent", "DEVTYPE=usb_device\nPRODUCT=3a7c/b401/1201\n");
            write(usb / "bcdDevice", node.release + "\n");
            fs::path interface = usb / (node.usb_device + ":1." + std::to_string(node.interface));
            fs::create_directories(interface);
            write(interface / "uevent", "DEVTYPE=usb_interface\n");
            hid = interface / (hid_name(node) + "." + std::to_string(++devices_));
        }
        fs::create_directories(hid / "hidraw" / node.sysname);
        if (node.with_uevent) {
            write(hid / "uevent", "DRIVER=hid-generic\nHID_ID=" + node.hid_id +
                                      "\nHID_NAME=" + node.name + "\nHID_PHYS=" + node.phys +
                                      "\nHID_UNIQ=\nMODALIAS=hid:x\n");
        }
        std::ofstream(hid / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(node.descriptor.data()),
                   static_cast<std::streamsize>(node.descriptor.size()));
        fs::create_directory_symlink("../..", hid / "hidraw" / node.sysname / "device");
        fs::create_directory_symlink(hid / "hidraw" / node.sysname,
                                     fs::path(sysfs()) / "class/hidraw" / node.sysname);
        write(fs::path(dev()) / node.sysname, "");
    }

    void remove(const std::string& sysname) {
        namespace fs = std::filesystem;
        fs::path link = fs::path(sysfs()) / "class/hidraw" / sysname;
        fs::path hid = fs::canonical(link / "device");
        fs::remove(link);
        fs::remove_all(hid);
        fs::remove(fs::path(dev()) / sysname);
    }

private:
    static std::string hid_name(const Node& node) {
        // "0003:00003A7C:0000B401" names the HID device "0003:3A7C:B401".
        return node.hid_id.substr(0, 4) + ":" + node.hid_id.substr(9, 4) + ":" +
               node.hid_id.substr(18, 4);
    }
    static void write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path) << text;
    }

    TempDir dir_;
    int devices_ = 0;
};

} // namespace devio::test

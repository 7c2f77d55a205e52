// The hidraw system on a fake sysfs tree: enumeration, capabilities and parent grouping through
// the seam's calls, the HID bus on top of it, and nodes that vanish, cannot be read or are on
// another bus.
#include "Source/Linux/HidrawSystem.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "../Windows/Win32Harness.h"
#include "FakeHidrawTree.h"
#include "ReportDescriptors.h"
#include "Source/Events/Subscriber.h"
#include "Source/Linux/HidrawChoice.h"
#include "Source/System/DebugOutput.h"
#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32Bus.h"
#include "Source/Windows/Win32Device.h"
#include "Source/Windows/Win32SystemChoice.h"
#include "support/LogLines.h"
#include "support/ScopedTimeScale.h"
#include "support/WaitFor.h"

namespace devio {
namespace {

using test::FakeHidrawTree;
using Bytes = std::vector<Byte>;

Bytes join(const Bytes& a, const Bytes& b) {
    Bytes all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

class HidrawSystemTest : public ::testing::Test {
protected:
    HidrawSystemTest() {
        // A receiver whose node holds both collections, on USB device 1-1.
        tree.add({"hidraw0", "0003:00003A7C:0000B401", "Varkon Receiver",
                  "usb-0000:00:14.0-1/input2", join(test::kReceiverShort, test::kReceiverLong),
                  "1-1", "1201", 2});
        // A receiver played through uhid: one node per collection, grouped by their physical path.
        tree.add({"hidraw1", "0003:00003A7C:0000B402", "Virtual Receiver", "usb-dummy-3/input0",
                  test::kReceiverShort, ""});
        tree.add({"hidraw2", "0003:00003A7C:0000B402", "Virtual Receiver", "usb-dummy-3/input1",
                  test::kReceiverLong, ""});
        // On an I2C bus, and one whose attributes cannot be read: both skipped.
        tree.add(
            {"hidraw3", "0018:00003A7C:0000B403", "Touchpad", "i2c-1", test::kReceiverLong, ""});
        FakeHidrawTree::Node unreadable{"hidraw4", "0003:00003A7C:0000B404", "",
                                        "",        test::kReceiverLong,      ""};
        unreadable.with_uevent = false;
        tree.add(unreadable);
        // Another maker's keyboard on USB device 1-2.
        tree.add({"hidraw5", "0003:00001234:00005678", "Keyboard", "usb-0000:00:14.0-2/input0",
                  test::kKeyboard, "1-2", "0100", 0});
    }

    std::string dev(const std::string& name) const { return tree.dev() + "/" + name; }
    std::string usb(const std::string& device) const {
        return std::filesystem::canonical(tree.sysfs()).string() +
               "/devices/pci0000:00/0000:00:14.0/usb1/" + device;
    }

    FakeHidrawTree tree;
};

TEST_F(HidrawSystemTest, EnumerationListsEveryCollectionWithItsAttributesCapsAndParent) {
    sys::DebugOutputCapture log;
    HidrawSystem system(tree.sysfs(), tree.dev());
    EXPECT_EQ(system.paths(),
              (std::vector<std::string>{dev("hidraw0&col01"), dev("hidraw0&col02"), dev("hidraw1"),
                                        dev("hidraw2"), dev("hidraw5")}));
    EXPECT_GE(test::count_lines(log, "hidraw3: bus 0x0018 is neither USB nor Bluetooth, skipped"),
              1);
    EXPECT_GE(test::count_lines(log, "hidraw4: cannot read"), 1);

    struct Row {
        std::string path;
        uint16_t product, version, usage, length;
        std::string product_name, parent;
    };
    const std::string uhid_parent = "HID\\0003:3A7C:B402\\usb-dummy-3";
    const Row rows[] = {
        {dev("hidraw0&col01"), 0xB401, 0x1201, 1, 7, "Varkon Receiver", usb("1-1")},
        {dev("hidraw0&col02"), 0xB401, 0x1201, 2, 20, "Varkon Receiver", usb("1-1")},
        {dev("hidraw1"), 0xB402, 0, 1, 7, "Virtual Receiver", uhid_parent},
        {dev("hidraw2"), 0xB402, 0, 2, 20, "Virtual Receiver", uhid_parent},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        HANDLE file = system.CreateFileW(widen(row.path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_OVERLAPPED, HANDLE{});
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        HIDD_ATTRIBUTES attributes;
        ASSERT_TRUE(system.HidD_GetAttributes(file, &attributes));
        EXPECT_EQ(attributes.VendorID, 0x3A7C);
        EXPECT_EQ(attributes.ProductID, row.product);
        EXPECT_EQ(attributes.VersionNumber, row.version);
        WCHAR name[126] = {};
        ASSERT_TRUE(system.HidD_GetProductString(file, name, sizeof(name)));
        EXPECT_EQ(narrow(name), row.product_name);

        PHIDP_PREPARSED_DATA data{};
        ASSERT_TRUE(system.HidD_GetPreparsedData(file, &data));
        HIDP_CAPS caps;
        ASSERT_EQ(system.HidP_GetCaps(data, &caps), HIDP_STATUS_SUCCESS);
        EXPECT_EQ(caps.UsagePage, 0xFF00);
        EXPECT_EQ(caps.Usage, row.usage);
        EXPECT_EQ(caps.InputReportByteLength, row.length);
        EXPECT_EQ(caps.OutputReportByteLength, row.length);
        HIDP_BUTTON_CAPS buttons[2];
        USHORT count = 2;
        ASSERT_EQ(system.HidP_GetButtonCaps(HidP_Output, buttons, &count, data),
                  HIDP_STATUS_SUCCESS);
        ASSERT_EQ(count, 1);
        EXPECT_EQ(buttons[0].ReportID, row.usage == 1 ? 0x10 : 0x11);
        EXPECT_TRUE(system.HidD_FreePreparsedData(data));

        EXPECT_EQ(system.setupdi_parent(system.setupdi_instance_from_path(row.path)), row.parent);
        EXPECT_TRUE(system.CloseHandle(file));
    }
    EXPECT_EQ(system.open_handles(), 0u);
}

TEST_F(HidrawSystemTest, HidBusFindsTheMakersCollectionsAndGroupsThemByParent) {
    test::ScopedTimeScale scale{0.01};
    auto system = std::make_shared<HidrawSystem>(tree.sysfs(), tree.dev());
    Win32SystemChoice::choose([system] { return system; });
    std::shared_ptr<Win32Bus> bus = Win32Bus::create({});
    std::vector<std::shared_ptr<IHardwareDevice>> devices = bus->devices();
    Win32SystemChoice::choose({});
    ASSERT_EQ(devices.size(), 4u) << "the other maker's keyboard is not the bus's";
    std::map<std::string, std::string> groups;
    for (const auto& device : devices) {
        groups[device->path()] = device->group_key();
    }
    EXPECT_EQ(groups[dev("hidraw0&col01")], usb("1-1"));
    EXPECT_EQ(groups[dev("hidraw0&col02")], usb("1-1"));
    EXPECT_EQ(groups[dev("hidraw1")], "HID\\0003:3A7C:B402\\usb-dummy-3");
    EXPECT_EQ(groups[dev("hidraw2")], "HID\\0003:3A7C:B402\\usb-dummy-3");
}

TEST_F(HidrawSystemTest, NodeThatVanishedBeforeItsOpenFailsAloneWithALogLine) {
    HidrawSystem system(tree.sysfs(), tree.dev());
    std::vector<std::string> listed = system.paths();
    std::filesystem::remove(dev("hidraw1")); // gone between enumeration and open
    sys::DebugOutputCapture log;
    HANDLE file = system.CreateFileW(widen(dev("hidraw1")).c_str(), GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, 0, HANDLE{});
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(system.GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(log.contains("hidraw1: open failed"));
    tree.remove("hidraw2");
    file = system.CreateFileW(widen(dev("hidraw2")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, HANDLE{});
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(system.GetLastError(), ERROR_FILE_NOT_FOUND);
    file = system.CreateFileW(widen(dev("hidraw0&col02")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, HANDLE{});
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "the other devices still open";
    EXPECT_TRUE(system.CloseHandle(file));
    // A node path without its collection, and a collection the node does not have.
    for (const char* path : {"hidraw0", "hidraw0&col03", "hidraw5&colx"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(system.CreateFileW(widen(dev(path)).c_str(), GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, 0, HANDLE{}),
                  INVALID_HANDLE_VALUE);
    }
}

// Runs `body` on a thread of its own without the capabilities that let root open any file, so that
// file permissions apply to it as to a user.
template <class Body>
void as_user(Body body) {
    std::thread([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        ASSERT_EQ(syscall(SYS_capget, &header, data), 0);
        data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ASSERT_EQ(syscall(SYS_capset, &header, data), 0);
        body();
    }).join();
}

TEST_F(HidrawSystemTest, NodeWithoutPermissionIsRefusedAndTheMakersOneReported) {
    for (const char* name : {"hidraw1", "hidraw5"}) {
        std::filesystem::permissions(dev(name), std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_write);
        ASSERT_EQ(chown(dev(name).c_str(), 65534, 65534), 0);
    }
    HidrawSystem system(tree.sysfs(), tree.dev());
    std::vector<std::string> reported;
    system.set_access_denied_handler(
        [&](const HidrawNode& node) { reported.push_back(node.devnode); });
    sys::DebugOutputCapture log;
    as_user([&] {
        for (const char* name : {"hidraw1", "hidraw5"}) {
            SCOPED_TRACE(name);
            EXPECT_EQ(system.CreateFileW(widen(dev(name)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                         nullptr, OPEN_EXISTING, 0, HANDLE{}),
                      INVALID_HANDLE_VALUE);
            EXPECT_EQ(system.GetLastError(), ERROR_ACCESS_DENIED);
        }
        HANDLE file = system.CreateFileW(widen(dev("hidraw2")).c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, HANDLE{});
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << "the other devices still open";
        system.CloseHandle(file);
    });
    EXPECT_TRUE(log.contains("hidraw1: open failed: Permission denied"));
    EXPECT_EQ(reported, std::vector<std::string>{dev("hidraw1")}) << "only the maker's device";
    std::string line = HidrawChoice::access_denied_line(dev("hidraw1"));
    EXPECT_NE(line.find("packaging/udev/70-varkon.rules"), std::string::npos) << line;
    EXPECT_NE(line.find("udevadm control --reload"), std::string::npos) << line;
}

TEST_F(HidrawSystemTest, RescanAnnouncesArrivalsAndRemovalsToTheBus) {
    test::ScopedTimeScale scale{0.01};
    auto system = std::make_shared<HidrawSystem>(tree.sysfs(), tree.dev());
    EXPECT_FALSE(system->monitor()) << "libudev does not reach a fake tree";
    Win32SystemChoice::choose([system] { return system; });
    std::shared_ptr<Win32Bus> bus = Win32Bus::create({});
    test::PlugRecorder plugs;
    ASSERT_TRUE(plugs.subscribe(bus, DeliverDirect, "test"));
    Win32SystemChoice::choose({});

    tree.add({"hidraw6", "0005:00003A7C:000040A1", "Mouse", "aa:bb:cc:dd:ee:ff",
              join(test::kReceiverShort, test::kReceiverLong), ""});
    tree.remove("hidraw1");
    system->rescan();
    // The bus hears of the changes on its window thread.
    ASSERT_TRUE(test::wait_for([&] { return plugs.entries().size() >= 3; }));
    std::vector<test::PlugRecorder::Entry> entries = plugs.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_FALSE(entries[0].plug);
    EXPECT_EQ(entries[0].path, dev("hidraw1"));
    EXPECT_TRUE(entries[1].plug);
    EXPECT_EQ(entries[1].path, dev("hidraw6&col01"));
    EXPECT_TRUE(entries[2].plug);
    EXPECT_EQ(entries[2].path, dev("hidraw6&col02"));
    system->rescan(); // nothing changed
    // A later change is heard after anything the rescan above might have announced.
    tree.remove("hidraw6");
    system->rescan();
    ASSERT_TRUE(test::wait_for([&] { return plugs.entries().size() >= 5; }));
    entries = plugs.entries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_FALSE(entries[3].plug);
    EXPECT_FALSE(entries[4].plug);
}

} // namespace
} // namespace devio

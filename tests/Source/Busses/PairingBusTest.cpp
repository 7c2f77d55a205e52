// The pairing pass-through on a bus of fake devices: devices that are not on Bluetooth arrive and
// leave wrapped, matched by path, and their reads, writes and link events come up unchanged; the
// Bluetooth bus decides from the device-enumeration registry which paths are Bluetooth ones. On the
// virtual HID system the device manager's stack puts the pairing bus on the combiner.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Source/Busses/CombinerDevice.h"
#include "Source/Busses/PairingBus.h"
#include "Source/Busses/PairingDevice.h"
#include "Source/Contracts/BusType.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"
#include "Source/Log/LastError.h"
#include "Source/Rap/Device.h"
#include "Source/System/DebugOutput.h"
#include "Source/Windows/BluetoothMicrosoftBus.h"
#include "support/HardwareEvents.h"
#include "support/PlugLog.h"
#include "support/ReceiverStack.h"

namespace devio {
namespace {

// A device of the bus below that records what is asked of it and produces what the test tells.
class FakeDevice : public IHardwareDevice,
                   public Producer<IHardwareDevice::Read>,
                   public Producer<IHardwareDevice::Write>,
                   public Producer<IHardwareDevice::Connect> {
public:
    explicit FakeDevice(std::string path, int bus_type = kBusTypeDirectHid)
        : path_(std::move(path)), bus_type_(bus_type) {}

    bool connected() const override { return false; }
    bool open() override {
        ++opens;
        if (!openable) {
            set_last_error(ErrorCode::CreateFileFailed, 2);
        }
        return openable;
    }
    void close() override { ++closes; }
    bool write(std::vector<Byte> report, bool blocking) override {
        written.push_back({report, blocking});
        if (failing) {
            set_last_error(ErrorCode::WriteError, 31);
            return false;
        }
        Producer<IHardwareDevice::Write>::produce(
            [report](IHardwareDevice::Write* s) { s->onWrite(report, ErrorCode::NoError, 0); },
            "FakeDevice::Write::onWrite");
        return true;
    }
    std::weak_ptr<IHardwareBus> bus() const override { return {}; }
    std::string path() const override { return path_; }
    int pid() const override { return 0xB401; }
    std::string name() const override { return "Tessaly Receiver"; }
    int slot_byte() const override { return 0x5A; }
    int bus_type() const override { return bus_type_; }
    int bus_index() const override { return 0; }
    int extended_value() const override { return 77; }
    bool verify_connection_following_timeout() override { return still_there; }
    int collection_size() const override { return 32; }

    void deliver(const std::vector<Byte>& report, unsigned syserr = 0) {
        Producer<IHardwareDevice::Read>::produce(
            [report, syserr](IHardwareDevice::Read* s) { s->onRead(report, false, syserr, 20); },
            "FakeDevice::Read::onRead");
    }
    void announce_link(bool up) {
        Producer<IHardwareDevice::Connect>::produce(
            [up](IHardwareDevice::Connect* s) {
                up ? s->onConnect(nullptr) : s->onDisconnect(nullptr);
            },
            "FakeDevice::Connect");
    }
    unsigned readers() const { return Producer<IHardwareDevice::Read>::subscriber_count(); }

    bool openable = true;
    bool failing = false;
    bool still_there = true;
    int opens = 0;
    int closes = 0;
    std::vector<std::pair<std::vector<Byte>, bool>> written;

private:
    std::string path_;
    int bus_type_;
};

// The bus below: a fresh object for the same path on every plug and unplug, as the HID bus does.
class FakeBus : public IHardwareBus, public Producer<IHardwareBus::PlugUnplug> {
public:
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override {
        if (failing) {
            set_last_error(ErrorCode::DeviceEnumerationFailed);
            return {};
        }
        return listed;
    }
    std::vector<std::shared_ptr<IBluetoothBus>> bluetooth_busses() override { return bluetooth; }
    void plug(std::shared_ptr<IHardwareDevice> device) {
        Producer<IHardwareBus::PlugUnplug>::produce(
            [device](IHardwareBus::PlugUnplug* s) { s->onPlug(device); }, "FakeBus::onPlug");
    }
    void unplug(std::shared_ptr<IHardwareDevice> device) {
        Producer<IHardwareBus::PlugUnplug>::produce(
            [device](IHardwareBus::PlugUnplug* s) { s->onUnplug(device); }, "FakeBus::onUnplug");
    }
    void power(bool standBy) {
        Producer<IHardwareBus::PlugUnplug>::produce(
            [standBy](IHardwareBus::PlugUnplug* s) { s->onPowerChange(standBy); },
            "FakeBus::onPowerChange");
    }

    std::vector<std::shared_ptr<IHardwareDevice>> listed;
    std::vector<std::shared_ptr<IBluetoothBus>> bluetooth;
    bool failing = false;
};

using test::PlugLog;

// A device-enumeration registry held in memory: key path to subkeys and values.
class FakeRegistry : public BluetoothMicrosoftBus::Registry {
public:
    void add(const std::string& key, const std::string& subkey) { keys[key].push_back(subkey); }
    std::vector<std::string> subkeys(const std::string& key) override {
        ++reads;
        auto found = keys.find(key);
        return found != keys.end() ? found->second : std::vector<std::string>{};
    }
    std::optional<std::string> string_value(const std::string& key,
                                            const std::string& name) override {
        auto found = values.find(key + "|" + name);
        if (found == values.end()) {
            return std::nullopt;
        }
        return found->second;
    }

    std::map<std::string, std::vector<std::string>> keys;
    std::map<std::string, std::string> values;
    int reads = 0;
};

constexpr const char* kClassic = BluetoothMicrosoftBus::kClassicEnumKey;
constexpr const char* kLowEnergy = BluetoothMicrosoftBus::kLowEnergyEnumKey;
const std::string kClassicModel = "{00001124-0000-1000-8000-00805F9B34FB}_VID&00023A7C_PID&40A1";
const std::string kClassicPath =
    "\\\\?\\hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&00023a7c_pid&40a1#9&2f1c7e&0&0000#"
    "{4d1e55b2-f16f-11cf-88cb-001111000030}";
const std::string kLowEnergyPath =
    "\\\\?\\hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&023a7c_pid&40a1_rev&0001_"
    "c1d2e3f4a5b6&col02#b&1f0e2d3c&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}";

const std::string kClassicInstancePath =
    "\\\\?\\bthenum#{00001124-0000-1000-8000-00805f9b34fb}_vid&00023a7c_pid&40a1#"
    "8&1a2b&0&001122aabbcc_c00000000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// One classic device whose HID path holds its instance's ParentIDPrefix (and whose enumerator path
// holds the instance itself), and one low-energy device found the same way.
std::shared_ptr<FakeRegistry> paired_registry() {
    auto registry = std::make_shared<FakeRegistry>();
    const std::string classic_model = std::string(kClassic) + "\\" + kClassicModel;
    registry->add(kClassic, "{0000110a-0000-1000-8000-00805f9b34fb}_LOCALMFG&000f");
    registry->add(kClassic, kClassicModel);
    registry->add(classic_model, "8&1A2B&0&001122AABBCC_C00000000");
    registry->values[classic_model + "\\8&1A2B&0&001122AABBCC_C00000000|ParentIDPrefix"] =
        "9&2f1c7e&0";
    const std::string le_model =
        std::string(kLowEnergy) + "\\{00001812-0000-1000-8000-00805f9b34fb}";
    registry->add(kLowEnergy, "{00001812-0000-1000-8000-00805f9b34fb}");
    registry->add(le_model, "8&1ab&0&C1D2E3F4A5B6");
    registry->values[le_model + "\\8&1ab&0&C1D2E3F4A5B6|ParentIDPrefix"] = "b&1f0e2d3c&0";
    return registry;
}

class PairingBusTest : public ::testing::Test {
protected:
    PairingBusTest() { EXPECT_TRUE(log.subscribe(pairing, DeliverDirect, "log")); }
    ~PairingBusTest() override { log.unsubscribe(pairing); }

    std::shared_ptr<FakeBus> below = std::make_shared<FakeBus>();
    std::shared_ptr<PairingBus> pairing = PairingBus::create({}, below);
    PlugLog log;
};

TEST_F(PairingBusTest, DevicesArriveWrappedAndLeaveByPathOnce) {
    auto device = std::make_shared<FakeDevice>("usb/receiver");
    below->plug(device);
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_TRUE(log.entries[0].plug);
    auto wrapped = std::dynamic_pointer_cast<PairingDevice>(log.entries[0].device);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->hardware(), device);
    EXPECT_EQ(device->opens, 1) << "opened before it is tracked";
    EXPECT_EQ(wrapped->bus().lock(), std::static_pointer_cast<IHardwareBus>(pairing));
    EXPECT_TRUE(pairing->bluetooth_busses().empty()) << "the manager stacks nothing on top";
    EXPECT_TRUE(pairing->secondary_busses().empty());

    // A later enumeration and a second announcement of the path give the tracked wrapper, and the
    // spare object of the same path is closed again.
    auto again = std::make_shared<FakeDevice>("usb/receiver");
    below->listed = {again};
    EXPECT_EQ(pairing->devices(), std::vector<std::shared_ptr<IHardwareDevice>>{wrapped});
    below->plug(std::make_shared<FakeDevice>("usb/receiver"));
    EXPECT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(again->closes, 1);
    EXPECT_EQ(wrapped->hardware(), device);

    // The removal names another object of the same path.
    below->unplug(std::make_shared<FakeDevice>("usb/other"));
    EXPECT_EQ(log.entries.size(), 1u) << "a path that is not tracked is not announced";
    below->unplug(std::make_shared<FakeDevice>("usb/receiver"));
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_FALSE(log.entries[1].plug);
    EXPECT_EQ(log.entries[1].device, wrapped);
    EXPECT_EQ(pairing->tracked("usb/receiver"), nullptr);
    below->unplug(std::make_shared<FakeDevice>("usb/receiver"));
    EXPECT_EQ(log.entries.size(), 2u) << "announced gone once";

    // Back again: a new wrapper.
    below->plug(device);
    ASSERT_EQ(log.entries.size(), 3u);
    EXPECT_NE(log.entries[2].device, wrapped);

    below->power(true);
    below->power(false);
    EXPECT_EQ(log.power_changes, (std::vector<bool>{true, false}));
}

TEST_F(PairingBusTest, DevicesThatCannotBeOpenedAndFailedEnumerationsAreNotPassedUp) {
    auto closed = std::make_shared<FakeDevice>("usb/locked");
    closed->openable = false;
    sys::DebugOutputCapture capture;
    below->plug(closed);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_TRUE(capture.contains("PairingBus::onPlug exit, ignoring device it could not open"));

    auto open = std::make_shared<FakeDevice>("usb/open");
    below->listed = {closed, open};
    std::vector<std::shared_ptr<IHardwareDevice>> listed = pairing->devices();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]->path(), "usb/open");
    EXPECT_EQ(last_error().code, ErrorCode::NoError);

    below->failing = true;
    EXPECT_TRUE(pairing->devices().empty());
    EXPECT_EQ(last_error().code, ErrorCode::DeviceEnumerationFailed)
        << "the error of the bus below";
}

TEST_F(PairingBusTest, NonBluetoothDeviceIsTransparent) {
    auto device = std::make_shared<FakeDevice>("usb/receiver");
    below->plug(device);
    ASSERT_EQ(log.entries.size(), 1u);
    std::shared_ptr<IHardwareDevice> wrapped = log.entries[0].device;

    EXPECT_EQ(wrapped->path(), "usb/receiver");
    EXPECT_EQ(wrapped->pid(), 0xB401);
    EXPECT_EQ(wrapped->name(), "Tessaly Receiver");
    EXPECT_EQ(wrapped->bus_type(), kBusTypeDirectHid);
    EXPECT_EQ(wrapped->bus_index(), 0);
    EXPECT_EQ(wrapped->slot_byte(), 0x5A);
    EXPECT_EQ(wrapped->extended_value(), 77);
    EXPECT_EQ(wrapped->collection_size(), 32);
    EXPECT_TRUE(wrapped->connected()) << "a device not on Bluetooth is always connected";
    EXPECT_EQ(wrapped->collection_bit(), wrapped->collections_needed()) << "whole by itself";

    test::HardwareEvents events(wrapped);
    EXPECT_EQ(device->readers(), 1u) << "our reader makes us read the device below";
    device->deliver({0x11, 0xFF, 0x00, 0x10, 0x04});
    device->deliver({}, 1167);
    std::vector<test::HardwareEvents::Read> reads = events.reads();
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].report, (std::vector<Byte>{0x11, 0xFF, 0x00, 0x10, 0x04}));
    EXPECT_FALSE(reads[0].set_own_index);
    EXPECT_EQ(reads[0].size, 20u);
    EXPECT_EQ(reads[0].thread, std::this_thread::get_id()) << "on the delivering thread";
    EXPECT_TRUE(reads[1].report.empty());
    EXPECT_EQ(reads[1].syserr, 1167u);

    EXPECT_TRUE(wrapped->write({0x10, 0xFF, 0x81, 0x00}, true));
    ASSERT_EQ(device->written.size(), 1u);
    EXPECT_EQ(device->written[0].first, (std::vector<Byte>{0x10, 0xFF, 0x81, 0x00}));
    EXPECT_TRUE(device->written[0].second) << "blocking passed on";
    ASSERT_EQ(events.writes().size(), 1u);
    EXPECT_EQ(events.writes()[0].report, (std::vector<Byte>{0x10, 0xFF, 0x81, 0x00}));
    device->failing = true;
    EXPECT_FALSE(wrapped->write({0x10, 0xFF, 0x81, 0x00}, false));
    EXPECT_EQ(last_error().code, ErrorCode::WriteError);
    EXPECT_EQ(last_error().syserr, 31u);

    device->announce_link(false);
    device->announce_link(true);
    EXPECT_EQ(events.disconnects(), 1);
    EXPECT_EQ(events.connects(), 1);

    const int opens = device->opens;
    EXPECT_TRUE(wrapped->open());
    EXPECT_EQ(device->opens, opens + 1);
    wrapped->close();
    EXPECT_EQ(device->closes, 1);
    device->still_there = false;
    EXPECT_FALSE(wrapped->verify_connection_following_timeout());
}

TEST_F(PairingBusTest, LastReaderLeavingStopsReadingTheDeviceBelow) {
    auto device = std::make_shared<FakeDevice>("usb/receiver");
    below->plug(device);
    ASSERT_EQ(log.entries.size(), 1u);
    {
        test::HardwareEvents first(log.entries[0].device);
        { test::HardwareEvents second(log.entries[0].device); }
        EXPECT_EQ(device->readers(), 1u);
    }
    EXPECT_EQ(device->readers(), 0u);
}

TEST(BluetoothMicrosoftBus, PathsAreMatchedAgainstTheEnumerationRegistryAndCached) {
    struct Case {
        const char* what;
        std::string path;
        int bus_type;
        std::string address;
    };
    const std::vector<Case> cases = {
        {"classic: model and parent prefix in the path", kClassicPath, kBusTypeBluetoothClassic,
         "0011:22:AABBCC"},
        {"classic: model and instance in the path", kClassicInstancePath, kBusTypeBluetoothClassic,
         "0011:22:AABBCC"},
        {"low energy: instance's parent prefix in the path", kLowEnergyPath, kBusTypeBleHid,
         "C1D2:E3:F4A5B6"},
        {"low energy path asked as classic", kLowEnergyPath, kBusTypeBluetoothClassic, ""},
        {"USB receiver", "\\\\?\\hid#vid_3a7c&pid_b401&mi_02#8&1d2c&0&0000#{4d1e}",
         kBusTypeBluetoothClassic, ""},
    };
    for (const Case& c : cases) {
        auto registry = paired_registry();
        BluetoothMicrosoftBus bus(false, registry);
        EXPECT_EQ(bus.device_paired_on_path(c.path, c.bus_type), c.address) << c.what;
        const int reads = registry->reads;
        EXPECT_EQ(bus.device_paired_on_path(c.path, c.bus_type), c.address) << c.what;
        EXPECT_EQ(registry->reads, reads) << c.what << ": answered from the cache";
    }
}

TEST(BluetoothMicrosoftBus, InstanceThatIsNotInThePathOrCarriesNoAddressIsNoMatch) {
    auto registry = std::make_shared<FakeRegistry>();
    registry->add(kClassic, kClassicModel);
    const std::string model = std::string(kClassic) + "\\" + kClassicModel;
    registry->add(model, "7&1a2b3c4d&0&001122AABBCC_C"); // not in the path
    registry->add(model, "9&2f1c7e");                    // in the path, no address
    BluetoothMicrosoftBus bus(true, registry);
    EXPECT_EQ(bus.device_paired_on_path(kClassicPath, kBusTypeBluetoothClassic), "");

    registry->add(model, "9&2f1c7e&0&A1B2C3D4E5F6");
    registry->values[model + "\\9&2f1c7e&0&A1B2C3D4E5F6|ParentIDPrefix"] = "9&2F1C7E&0";
    BluetoothMicrosoftBus fresh(true, registry);
    EXPECT_EQ(fresh.device_paired_on_path(kClassicPath, kBusTypeBluetoothClassic),
              "A1B2:C3:D4E5F6");
    // This platform's own registry lists no Bluetooth device.
    BluetoothMicrosoftBus own(true);
    EXPECT_EQ(own.device_paired_on_path(kClassicPath, kBusTypeBluetoothClassic), "");
}

TEST_F(PairingBusTest, BluetoothBusDecidesTheBusTypeOfWhatItRecognises) {
    below->bluetooth.push_back(std::make_shared<BluetoothMicrosoftBus>(true, paired_registry()));
    struct Case {
        std::string path;
        int bus_type;
        int bus_index;
    };
    const std::vector<Case> cases = {
        {"\\\\?\\hid#vid_3a7c&pid_b401#8&1d2c&0&0000#{4d1e}", kBusTypeDirectHid, 0},
        {kClassicPath, kBusTypeBluetoothClassic, 0},
        {kLowEnergyPath, kBusTypeBleHid, 1},
    };
    for (const Case& c : cases) {
        below->plug(std::make_shared<FakeDevice>(c.path));
        std::shared_ptr<PairingDevice> wrapped = pairing->tracked(c.path);
        ASSERT_NE(wrapped, nullptr) << c.path;
        EXPECT_EQ(wrapped->bus_type(), c.bus_type) << c.path;
        EXPECT_EQ(wrapped->bus_index(), c.bus_index) << c.path;
        EXPECT_EQ(wrapped->is_bluetooth(), c.bus_type != kBusTypeDirectHid) << c.path;
    }
    below->plug(std::make_shared<FakeDevice>("gatt/1", kBusTypeBleGatt));
    EXPECT_EQ(pairing->tracked("gatt/1")->bus_type(), kBusTypeBleGatt) << "not asked as Bluetooth";
}

TEST(PairingStack, ManagerStacksThePairingBusOnTheCombinerAndItsDevicesWorkThroughIt) {
    sys::DebugOutputCapture capture;
    test::ReceiverStack stack;
    ASSERT_TRUE(stack.start());
    stack.plug();
    ASSERT_TRUE(stack.pump_until_entries(2));
    EXPECT_TRUE(capture.contains("inserting pairing filter"));

    auto receiver =
        std::dynamic_pointer_cast<Device>(stack.device_with_pid(test::ReceiverStack::kReceiverPid));
    ASSERT_NE(receiver, nullptr);
    auto wrapped = std::dynamic_pointer_cast<PairingDevice>(receiver->hardware());
    ASSERT_NE(wrapped, nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<CombinerDevice>(wrapped->hardware()), nullptr);
    EXPECT_EQ(wrapped->bus_type(), kBusTypeDirectHid);
    EXPECT_EQ(wrapped->pid(), test::ReceiverStack::kReceiverPid);
    EXPECT_EQ(receiver->busType(), kBusTypeDirectHid);
    // The mouse behind the receiver answered through the wrapper: it arrived as a device.
    EXPECT_NE(stack.device_with_pid(test::ReceiverStack::kMousePid), nullptr);
}

} // namespace
} // namespace devio

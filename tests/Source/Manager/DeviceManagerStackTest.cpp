// The device manager's bus stack on the virtual HID system: a receiver becomes a receiver bus whose
// paired mouse arrives as a device of its own; configuration items decide what becomes what; a
// receiver that cannot be enumerated is retried on a doubling schedule.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "Source/Busses/TessalyBus.h"
#include "Source/Contracts/BusType.h"
#include "Source/Manager/BottomBusChoice.h"
#include "Source/Rap/FeatureCacheFile.h"
#include "Source/System/Clock.h"
#include "support/EmptyBus.h"
#include "support/FakeHardwareDevice.h"
#include "support/ReceiverStack.h"
#include "support/TempDir.h"

namespace devio {
namespace {

using test::ReceiverStack;

constexpr int kReceiverPid = ReceiverStack::kReceiverPid;
constexpr int kMousePid = ReceiverStack::kMousePid;

TEST(DeviceManagerStack, PluggedReceiverBecomesABusWhoseMouseArrivesAndLeavesBeforeIt) {
    ReceiverStack stack;
    ASSERT_TRUE(stack.start());
    std::vector<std::string> paths = stack.plug();
    ASSERT_EQ(paths.size(), 2u);
    ASSERT_TRUE(stack.pump_until_entries(2));

    std::vector<test::ManagerEvents::Entry> entries = stack.events.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].arrival);
    EXPECT_EQ(entries[0].pid, kReceiverPid);
    std::shared_ptr<TessalyBus> bus = std::dynamic_pointer_cast<TessalyBus>(entries[0].device);
    ASSERT_NE(bus, nullptr);
    EXPECT_TRUE(entries[1].arrival);
    EXPECT_EQ(entries[1].pid, kMousePid);
    std::shared_ptr<IDevice> mouse = entries[1].device;
    EXPECT_EQ(mouse->busType(), kBusTypeReceiver);
    EXPECT_EQ(mouse->busIndex(), 1);
    EXPECT_EQ(mouse->path(), bus->path() + ":0");
    EXPECT_EQ(mouse->name(), "Vantor");
    EXPECT_EQ(stack.manager->devices().size(), 2u);
    EXPECT_EQ(bus->paired_devices(), std::vector<std::shared_ptr<IDevice>>{mouse});

    stack.events.clear();
    ASSERT_TRUE(stack.system->unplug(stack.receiver));
    ASSERT_TRUE(stack.pump_until_entries(2));
    entries = stack.events.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_FALSE(entries[0].arrival);
    EXPECT_EQ(entries[0].device, mouse);
    EXPECT_FALSE(entries[1].arrival);
    EXPECT_EQ(entries[1].device, bus);
    EXPECT_TRUE(mouse->removed());
    EXPECT_TRUE(stack.manager->devices().empty());
    EXPECT_EQ(last_error().code, ErrorCode::NoError);
}

// The data directory reaches devices made later and devices that exist already, whose answers
// then go to their cache files.
TEST(DeviceManagerStack, DataDirectoryReachesEveryDeviceSoThatItsCacheFileIsWritten) {
    for (bool before : {true, false}) {
        test::TempDir directory;
        std::string cache;
        {
            ReceiverStack stack;
            if (before) {
                stack.manager->persistent_data_directory(directory.path());
            }
            ASSERT_TRUE(stack.start());
            stack.plug();
            ASSERT_TRUE(stack.pump_until_entries(2));
            std::shared_ptr<IDevice> mouse = stack.device_with_pid(kMousePid);
            ASSERT_NE(mouse, nullptr);
            if (!before) {
                stack.manager->persistent_data_directory(directory.path());
            }
            EXPECT_FALSE(mouse->features().empty());
            cache =
                FeatureCacheFile::specific_name(directory.path() + "/", kMousePid, mouse->path());
        }
        EXPECT_TRUE(std::filesystem::exists(cache)) << (before ? "set before" : "set after");
    }
}

TEST(DeviceManagerStack, ItemsFourAndFiveDecideWhatAReceiverBecomes) {
    struct Case {
        bool receivers;
        bool usb_devices;
        bool receiver_bus;
        std::vector<int> pids; // in arrival order
    };
    const Case cases[] = {
        {true, true, true, {kReceiverPid, kMousePid}},
        {true, false, true, {kReceiverPid, kMousePid}},
        {false, true, false, {kReceiverPid}},
        {false, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "item 4 " << c.receivers << ", item 5 " << c.usb_devices);
        ReceiverStack stack(c.receivers, c.usb_devices);
        stack.plug();
        // The stack is built by the first call with the receiver present.
        std::vector<std::shared_ptr<IDevice>> devices = stack.manager->devices();
        std::vector<int> pids;
        for (const std::shared_ptr<IDevice>& device : devices) {
            pids.push_back(device->pid());
        }
        std::sort(pids.begin(), pids.end());
        std::vector<int> expected = c.pids;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(pids, expected);
        std::shared_ptr<IDevice> receiver = stack.device_with_pid(kReceiverPid);
        if (receiver != nullptr) {
            EXPECT_EQ(std::dynamic_pointer_cast<TessalyBus>(receiver) != nullptr, c.receiver_bus);
        }
    }
}

TEST(DeviceManagerStack, ChangedItemRebuildsTheStackWithNewDeviceObjects) {
    ReceiverStack stack;
    stack.plug();
    ASSERT_TRUE(stack.start());
    std::shared_ptr<IDevice> old_receiver = stack.device_with_pid(kReceiverPid);
    ASSERT_NE(std::dynamic_pointer_cast<TessalyBus>(old_receiver), nullptr);

    // Setting the current value changes nothing.
    ASSERT_TRUE(stack.manager->config_set(IDeviceManager::usb_devices_active, true));
    EXPECT_EQ(stack.manager->devices().size(), 2u);
    EXPECT_EQ(stack.device_with_pid(kReceiverPid), old_receiver);

    ASSERT_TRUE(stack.manager->config_set(IDeviceManager::receivers_active, false));
    ASSERT_TRUE(stack.pump_until_entries(3));
    std::vector<test::ManagerEvents::Entry> entries = stack.events.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_FALSE(entries[0].arrival);
    EXPECT_EQ(entries[0].pid, kMousePid);
    EXPECT_FALSE(entries[1].arrival);
    EXPECT_EQ(entries[1].device, old_receiver);
    EXPECT_TRUE(entries[2].arrival);
    EXPECT_EQ(entries[2].pid, kReceiverPid);
    EXPECT_NE(entries[2].device, old_receiver);
    EXPECT_EQ(std::dynamic_pointer_cast<TessalyBus>(entries[2].device), nullptr);
    EXPECT_EQ(stack.manager->devices().size(), 1u);
}

TEST(DeviceManagerStack, RegisterZeroOverwrittenByAnotherProgramIsRestored) {
    ReceiverStack stack;
    stack.plug();
    ASSERT_TRUE(stack.start());
    ASSERT_EQ(stack.receiver.state().register_zero[1], TessalyBus::kWirelessNotifications);
    std::shared_ptr<TessalyBus> bus =
        std::dynamic_pointer_cast<TessalyBus>(stack.device_with_pid(kReceiverPid));
    ASSERT_NE(bus, nullptr);

    auto overwritten_and_restored = [&](Byte expected) {
        stack.receiver.overwrite_register_zero({0x00, 0x00, 0x00});
        return stack.pump_until(
            [&] { return stack.receiver.state().register_zero[1] == expected; });
    };
    EXPECT_TRUE(overwritten_and_restored(TessalyBus::kWirelessNotifications));
    // Once a paired device is configured, the software-present bit is restored as well.
    ASSERT_TRUE(bus->set_software_present());
    EXPECT_EQ(stack.receiver.state().register_zero[1], 0x09);
    EXPECT_TRUE(overwritten_and_restored(0x09));
    // The receiver's shutdown withdraws it again.
    EXPECT_TRUE(bus->shutdown());
    EXPECT_EQ(stack.receiver.state().register_zero[1], TessalyBus::kWirelessNotifications);
}

// A bottom bus with one receiver whose every write fails at once, so that the receiver bus can
// never enumerate it.
class DeadReceiverBus : public IHardwareBus, public Producer<IHardwareBus::PlugUnplug> {
public:
    DeadReceiverBus() { receiver->fail_writes(ErrorCode::WriteError); }
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override { return {receiver}; }

    std::shared_ptr<test::FakeHardwareDevice> receiver =
        std::make_shared<test::FakeHardwareDevice>(test::FakeHardwareDevice::Identity{
            "fake:/hid/receiver", kReceiverPid, kBusTypeDirectHid, 0, "Dead receiver"});
};

// Scaled time of every failed write of a hardware device.
class FailedWriteTimes : public Subscriber<IHardwareDevice::Write> {
public:
    std::vector<uint64_t> times() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return times_;
    }

private:
    void onWrite(std::vector<Byte> /*report*/, ErrorCode code, unsigned /*syserr*/) override {
        if (code != ErrorCode::NoError) {
            std::lock_guard<std::mutex> lock(mutex_);
            times_.push_back(sys::Clock::tick_count_ms());
        }
    }
    mutable std::mutex mutex_;
    std::vector<uint64_t> times_;
};

TEST(DeviceManagerStack, ReceiverThatCannotBeEnumeratedIsRetriedOnADoublingScheduleThenReported) {
    auto bus = std::make_shared<DeadReceiverBus>();
    FailedWriteTimes attempts;
    ASSERT_TRUE(attempts.subscribe(bus->receiver, DeliverDirect, "attempts"));
    BottomBusChoice::choose([bus](std::weak_ptr<IDeviceManager>) { return bus; });
    {
        // Only the manager, its run loop and the recorder of the stack are used here.
        ReceiverStack stack(true, true, 0.002);
        ASSERT_TRUE(stack.start());
        // The receiver bus arrives as a device even though it cannot list its devices.
        EXPECT_NE(std::dynamic_pointer_cast<TessalyBus>(stack.device_with_pid(kReceiverPid)),
                  nullptr);
        ASSERT_TRUE(stack.pump_until([&] { return stack.events.errors().size() >= 2; }));

        const std::vector<int64_t> delays_s = {2, 8, 16, 32, 64, 128, 256, 512, 1024};
        std::vector<uint64_t> times = attempts.times();
        ASSERT_EQ(times.size(), delays_s.size() + 1) << "the first attempt and nine retries";
        // A timer never fires early, so each wait is at least its delay; how much later the
        // run loop gets to it depends on the machine's load, so the upper bound is one for the
        // whole schedule: far below what twice the delays would take.
        int64_t total_delay_ms = 0;
        for (std::size_t i = 0; i < delays_s.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "retry " << i + 1);
            const int64_t waited = static_cast<int64_t>(times[i + 1] - times[i]);
            EXPECT_GE(waited, delays_s[i] * 1000);
            total_delay_ms += delays_s[i] * 1000;
        }
        EXPECT_LT(static_cast<int64_t>(times.back() - times.front()), 2 * total_delay_ms);
        std::vector<test::ManagerEvents::Error> errors = stack.events.errors();
        ASSERT_EQ(errors.size(), 2u);
        EXPECT_EQ(errors[0].where, "TessalyBus");
        EXPECT_EQ(errors[1].where, "DeviceManager::addBus retry failed all attempts");
        for (const test::ManagerEvents::Error& error : errors) {
            EXPECT_EQ(to_underlying(error.code), 77u);
            EXPECT_EQ(error.message, "Tessaly device enumeration failed after max retry attempts");
        }
    }
    BottomBusChoice::choose({});
}

using test::EmptyBus;

TEST(DeviceManagerStack, StackIsBuiltOnceByTheFirstArrivalSubscriberOrDevicesCall) {
    auto bus = std::make_shared<EmptyBus>();
    int made = 0;
    BottomBusChoice::choose([&](std::weak_ptr<IDeviceManager>) {
        ++made;
        return bus;
    });
    {
        ReceiverStack stack;
        bus->failing = true;
        EXPECT_FALSE(stack.start()) << "a stack that cannot be built refuses the subscription";
        EXPECT_EQ(last_error().code, ErrorCode::DeviceEnumerationFailed);
        EXPECT_TRUE(stack.manager->devices().empty());
        EXPECT_EQ(last_error().code, ErrorCode::DeviceEnumerationFailed);
        EXPECT_EQ(made, 2) << "every failed start tries again from the beginning";

        bus->failing = false;
        EXPECT_TRUE(stack.start());
        EXPECT_EQ(made, 3);
        test::ManagerEvents second;
        EXPECT_TRUE(second.Subscriber<IDeviceManager::ArrivalRemoval>::subscribe(
            stack.manager, DeliverViaRunLoop, "second"));
        set_last_error(ErrorCode::GeneralFailure);
        EXPECT_TRUE(stack.manager->devices().empty());
        EXPECT_EQ(last_error().code, ErrorCode::NoError) << "no devices is no error";
        EXPECT_EQ(made, 3);
        second.Subscriber<IDeviceManager::ArrivalRemoval>::unsubscribe(stack.manager);
    }
    BottomBusChoice::choose({});
}

// A device that a bus lists but never announces (a receiver's forced-arrival enumeration) is
// taken in and announced once when the manager becomes active again.
TEST(DeviceManagerStack, DeviceListedButNotAnnouncedOnActivationBecomesADevice) {
    auto bus = std::make_shared<EmptyBus>();
    BottomBusChoice::choose([&](std::weak_ptr<IDeviceManager>) { return bus; });
    {
        ReceiverStack stack;
        ASSERT_TRUE(stack.start());
        auto quiet = std::make_shared<test::FakeHardwareDevice>(
            test::FakeHardwareDevice::Identity{.path = "fake:/hid/quiet"});
        bus->set_quiet({quiet});
        for (int activation = 0; activation < 2; ++activation) {
            const int before = bus->enumerations;
            stack.manager->set_active(true);
            ASSERT_TRUE(stack.pump_until([&] { return bus->enumerations > before; }));
            stack.pump->drain();
        }
        const auto entries = stack.events.entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_TRUE(entries[0].arrival);
        EXPECT_EQ(entries[0].pid, 0x40A1);
        EXPECT_EQ(stack.manager->devices_on_bus(nullptr).size(), 1u);
    }
    BottomBusChoice::choose({});
}

} // namespace
} // namespace devio

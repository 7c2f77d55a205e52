#include "Source/Windows/Win32Bus.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Source/Manager/DeviceManager.h"
#include "Source/System/DebugOutput.h"
#include "Source/Windows/WideText.h"
#include "Win32Harness.h"
#include "sim/VirtualReceiver.h"
#include "support/LogLines.h"
#include "support/WaitFor.h"

namespace devio {
namespace {

using sim::HidCollectionDescription;
using sim::VirtualHidSystem;
using test::PlugRecorder;

// A secondary bus that records the device-change messages the HID bus hands it.
class RecordingSecondaryBus : public IHardwareSecondaryBus {
public:
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override { return {}; }
    void process_wm_devicechange(unsigned event, const DEV_BROADCAST_HDR* header) override {
        std::lock_guard lock(mutex);
        events.push_back(event);
        types.push_back(header != nullptr ? header->dbch_devicetype : 0);
    }
    std::mutex mutex;
    std::vector<unsigned> events;
    std::vector<DWORD> types;
};

// A HID bus with a secondary bus of the test's.
class BusWithSecondary : public Win32Bus {
public:
    static std::shared_ptr<BusWithSecondary> create(std::shared_ptr<RecordingSecondaryBus> bus) {
        std::shared_ptr<BusWithSecondary> made(new BusWithSecondary(std::move(bus)));
        made->init();
        return made;
    }

protected:
    explicit BusWithSecondary(std::shared_ptr<RecordingSecondaryBus> bus)
        : Win32Bus({}), secondary_(std::move(bus)) {}
    void makeBluetoothBusses(bool, bool, bool) override { secondary_busses_.push_back(secondary_); }

private:
    std::shared_ptr<RecordingSecondaryBus> secondary_;
};

class Win32BusTest : public test::Win32Fixture {
protected:
    HWND window() {
        HWND window{};
        EXPECT_TRUE(bus->lazyStart(&window));
        return window;
    }
    // Sends a device-change message with an interface record to the bus's window.
    void send_interface_change(HWND to, DWORD event, const GUID& interface_class,
                               const std::string& path) {
        std::u16string name = widen(path);
        DEV_BROADCAST_DEVICEINTERFACE_W record;
        record.dbch_size = sizeof(record);
        record.dbch_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        record.dbcc_classguid = interface_class;
        record.dbcc_name = name.c_str();
        const DEV_BROADCAST_HDR* header = &record;
        ASSERT_NE(system->SendMessageTimeoutW(to, WM_DEVICECHANGE, event,
                                              reinterpret_cast<LPARAM>(header), SMTO_BLOCK, 5000,
                                              nullptr),
                  0);
    }
};

TEST_F(Win32BusTest, DevicesListsTheMakersCollectionsClosedButExamined) {
    sim::Scheduler scheduler;
    sim::VirtualReceiver receiver(scheduler, *sim::receiver_kind('A'));
    std::vector<std::string> paths = system->plug(receiver);
    ASSERT_EQ(paths.size(), 2u);
    ASSERT_TRUE(system->plug(sim::vendor_collection(0x046D, 0xC52B, 0xFF00, 2, 0x11, 20, 7, 1)));
    ASSERT_TRUE(system->plug(
        sim::vendor_collection(Win32Device::kVarkonVendorId, 0xB401, 0x0001, 6, 0x01, 9, 8, 1)));

    std::vector<std::shared_ptr<IHardwareDevice>> devices = bus->devices();
    ASSERT_EQ(devices.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(devices[i]->path(), paths[i]);
        EXPECT_EQ(devices[i]->pid(), 0xB401);
        EXPECT_EQ(devices[i]->name(), "Tessaly Receiver");
        EXPECT_EQ(devices[i]->collection_bit(), static_cast<int>(i + 1));
        EXPECT_EQ(devices[i]->collections_needed(), 3);
        EXPECT_EQ(devices[i]->bus_type(), 0);
        EXPECT_EQ(system->open_files(paths[i]), 0u) << "listed closed";
    }
    EXPECT_EQ(devices[0]->collection_size(), 7);
    EXPECT_EQ(devices[1]->collection_size(), 20);
    EXPECT_FALSE(devices[0]->group_key().empty());
    EXPECT_EQ(devices[0]->group_key(), devices[1]->group_key()) << "one parent device";
    EXPECT_TRUE(bus->needs_combiner());
    EXPECT_EQ(bus->bluetooth_busses().size(), 1u) << "one Bluetooth bus, inactive by default";
    EXPECT_TRUE(bus->secondary_busses().empty());

    system->unplug(receiver);
    EXPECT_TRUE(bus->devices().empty());
    EXPECT_EQ(last_error().code, ErrorCode::NoError)
        << "no device is not a failure, though the other collections were refused";
}

TEST_F(Win32BusTest, ConcurrentFirstCallsStartOneWindowThread) {
    ASSERT_TRUE(system->plug(rap_collection(2)));
    sys::DebugOutputCapture log;
    std::vector<std::thread> callers;
    std::atomic<int> listed{0};
    for (int i = 0; i < 4; ++i) {
        callers.emplace_back([&] { listed += static_cast<int>(bus->devices().size()); });
    }
    for (std::thread& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(listed.load(), 4);
    EXPECT_EQ(test::count_lines(log, "Win32Bus::lazyStart performing startup"), 1);
    EXPECT_EQ(system->device_notifications(), 1u) << "one window registered for the HID class";
}

TEST_F(Win32BusTest, ArrivalsAndRemovalsAreAnnouncedWithFreshDevices) {
    PlugRecorder plugs;
    ASSERT_TRUE(plugs.subscribe(bus, DeliverDirect, "test"));
    ASSERT_TRUE(system->plug(rap_collection(2)));
    ASSERT_TRUE(system->unplug(rap_collection(2).path));
    auto entries = plugs.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].plug);
    EXPECT_EQ(entries[0].path, rap_collection(2).path);
    EXPECT_EQ(entries[0].device->pid(), 0) << "an arriving device is not opened by the bus";
    EXPECT_FALSE(entries[1].plug);
    EXPECT_EQ(entries[1].path, rap_collection(2).path);
    EXPECT_NE(entries[1].device, entries[0].device);

    ASSERT_TRUE(system->plug(rap_collection(2)));
    ASSERT_TRUE(system->unplug(rap_collection(2).path));
    EXPECT_EQ(plugs.unplugs_of(rap_collection(2).path), 2) << "a new arrival is announced anew";
}

TEST_F(Win32BusTest, OtherInterfacesAndMessagesReachOnlyTheSecondaryBusses) {
    auto secondary = std::make_shared<RecordingSecondaryBus>();
    std::shared_ptr<BusWithSecondary> with_secondary = BusWithSecondary::create(secondary);
    PlugRecorder plugs;
    ASSERT_TRUE(plugs.subscribe(with_secondary, DeliverDirect, "test"));
    HWND window{};
    ASSERT_TRUE(with_secondary->lazyStart(&window));
    sys::DebugOutputCapture log;

    send_interface_change(window, DBT_DEVICEARRIVAL, GUID_BTHPORT_DEVICE_INTERFACE, "\\\\?\\bth#1");
    EXPECT_TRUE(plugs.entries().empty());
    EXPECT_EQ(secondary->events, (std::vector<unsigned>{DBT_DEVICEARRIVAL}));
    EXPECT_EQ(secondary->types, (std::vector<DWORD>{DBT_DEVTYP_DEVICEINTERFACE}));

    EXPECT_NE(system->SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0,
                                          SMTO_BLOCK, 5000, nullptr),
              0);
    EXPECT_EQ(plugs.power_changes(), (std::vector<bool>{false}));

    EXPECT_NE(system->SendMessageTimeoutW(window, WM_USER, 43, 0, SMTO_BLOCK, 5000, nullptr), 0);
    EXPECT_EQ(test::count_lines(log, "Win32Bus::WindowProc got WM_USER with unexpected parameters"),
              1);
}

TEST_F(Win32BusTest, RemovalQueryClosesTheTrackedHandleAndALaterOpenReopens) {
    std::shared_ptr<Win32Device> device = open_device(rap_collection(2));
    const std::string path = rap_collection(2).path;
    ASSERT_EQ(system->open_files(path), 1u);
    sys::DebugOutputCapture log;

    ASSERT_TRUE(system->query_removal(path));
    EXPECT_EQ(system->open_files(path), 0u) << "closed by the bus on the query";
    ASSERT_TRUE(system->query_removal(path));
    EXPECT_EQ(test::count_lines(log, "already closed"), 1);

    EXPECT_TRUE(device->open());
    EXPECT_EQ(test::count_lines(log, "Win32Device::open handle not valid, reopening"), 1);
    EXPECT_EQ(system->open_files(path), 1u);
    EXPECT_TRUE(device->write({0x11, 0xFF, 0x81}, false));
    device->close();
    EXPECT_EQ(system->open_handles(), 0u);
    EXPECT_EQ(system->device_notifications(), 1u) << "only the bus's own HID registration";
}

TEST_F(Win32BusTest, VerifyingALostDeviceAnnouncesItsRemoval) {
    PlugRecorder plugs;
    ASSERT_TRUE(plugs.subscribe(bus, DeliverDirect, "test"));
    std::shared_ptr<Win32Device> device = open_device(rap_collection(2));
    EXPECT_TRUE(device->verify_connection_following_timeout());
    EXPECT_EQ(plugs.unplugs_of(rap_collection(2).path), 0);

    // The collection goes without the bus hearing of it (its window was told nothing).
    std::shared_ptr<Win32Device> other = open_device(rap_collection(1, 2));
    const std::string path = rap_collection(1, 2).path;
    EXPECT_TRUE(bus->verify_device_exists(path));
    ASSERT_TRUE(system->unplug(path));
    ASSERT_EQ(plugs.unplugs_of(path), 1);
    EXPECT_FALSE(other->verify_connection_following_timeout()) << "a zombie";
    EXPECT_EQ(plugs.unplugs_of(path), 1) << "announced once";
}

TEST_F(Win32BusTest, FailuresToStartOrEnumerateGiveAnEmptyListWithTheReason) {
    auto manager = DeviceManager::create();
    struct Errors : Subscriber<IDeviceManager::UnreportedError> {
        void onUnreportedError(std::string where, ErrorCode code, std::string,
                               unsigned long) override {
            std::lock_guard lock(mutex);
            reported.emplace_back(std::move(where), code);
        }
        std::mutex mutex;
        std::vector<std::pair<std::string, ErrorCode>> reported;
    } errors;
    ASSERT_TRUE(errors.subscribe(std::shared_ptr<IDeviceManager>(manager), DeliverDirect, "test"));
    std::shared_ptr<Win32Bus> managed = Win32Bus::create(manager);
    ASSERT_TRUE(system->plug(rap_collection(2)));

    system->fail_next(VirtualHidSystem::Call::CreateWindow, ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(managed->devices().empty());
    EXPECT_EQ(last_error().code, ErrorCode::WindowCreationFailed);
    EXPECT_EQ(last_error().syserr, ERROR_NOT_SUPPORTED);
    {
        std::lock_guard lock(errors.mutex);
        ASSERT_EQ(errors.reported.size(), 1u);
        EXPECT_EQ(errors.reported[0].first, "Win32Bus::window_thread_static");
        EXPECT_EQ(errors.reported[0].second, ErrorCode::WindowThreadFailed);
    }
    system->fail_next(VirtualHidSystem::Call::CreateWindow, ERROR_NOT_SUPPORTED);
    PlugRecorder plugs;
    EXPECT_FALSE(plugs.subscribe(managed, DeliverDirect, "test")) << "a bus that cannot start";

    struct Case {
        VirtualHidSystem::Call call;
        DWORD error;
    };
    for (Case c : {Case{VirtualHidSystem::Call::GetClassDevs, ERROR_GEN_FAILURE},
                   Case{VirtualHidSystem::Call::EnumDeviceInterfaces, ERROR_GEN_FAILURE},
                   Case{VirtualHidSystem::Call::GetInterfaceDetail, ERROR_GEN_FAILURE}}) {
        system->fail_next(c.call, c.error);
        EXPECT_TRUE(managed->devices().empty());
        EXPECT_EQ(last_error().code, ErrorCode::DeviceEnumerationFailed);
        EXPECT_EQ(last_error().syserr, c.error);
    }
    system->set_library_missing(Win32Library::SetupApi);
    EXPECT_TRUE(managed->devices().empty());
    EXPECT_EQ(last_error().code, ErrorCode::SystemFunctionMissing);
    system->set_library_missing(Win32Library::SetupApi, false);
    EXPECT_EQ(managed->devices().size(), 1u) << "started on a later try";
}

TEST_F(Win32BusTest, DestructionReleasesEveryRegistrationAndTrackedHandle) {
    std::shared_ptr<Win32Device> device = open_device(rap_collection(2));
    test::DeviceRecorder recorder;
    recorder.listen(device);
    EXPECT_EQ(system->device_notifications(), 2u);
    bus.reset();
    EXPECT_EQ(system->device_notifications(), 0u);
    EXPECT_EQ(system->open_files(rap_collection(2).path), 0u)
        << "the window thread closed the tracked handle on its way out";
    test::DeviceRecorder::ReadEvent ended = recorder.read(1);
    EXPECT_TRUE(ended.report.empty()) << "the read ended with the handle";
    EXPECT_FALSE(device->open());
    EXPECT_EQ(last_error().code, ErrorCode::Unavailable);
    device->close();
    EXPECT_EQ(system->open_handles(), 0u);
}

TEST_F(Win32BusTest, ABusDroppedOnItsOwnWindowThreadShutsDown) {
    PlugRecorder plugs;
    plugs.on_entry = [&](const PlugRecorder::Entry&) { bus.reset(); };
    ASSERT_TRUE(plugs.subscribe(bus, DeliverDirect, "test"));
    std::weak_ptr<Win32Bus> watched = bus;
    ASSERT_TRUE(system->plug(rap_collection(2)));
    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(system->device_notifications(), 0u);
    ASSERT_TRUE(system->plug(rap_collection(1, 2))) << "nobody listens any more";
}

// A virtual system whose window creation waits until the test lets it go on.
class HeldWindowSystem : public VirtualHidSystem {
public:
    HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style,
                         int x, int y, int width, int height, HWND parent, HMENU menu,
                         HINSTANCE instance, LPVOID param) override {
        {
            std::unique_lock lock(mutex_);
            released_condition_.wait(lock, [&] { return released_; });
        }
        return VirtualHidSystem::CreateWindowExW(ex_style, class_name, window_name, style, x, y,
                                                 width, height, parent, menu, instance, param);
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        released_condition_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_condition_;
    bool released_ = false;
};

// A start that gave up waiting for its window thread leaves the thread making its window; the
// bus's destruction must still end that thread (it used to wait for it forever).
TEST(Win32BusStart, ABusWhoseStartGaveUpEndsItsWindowThreadWhenDestroyed) {
    test::ScopedTimeScale scale(0.001);
    auto system = std::make_shared<HeldWindowSystem>();
    Win32SystemChoice::choose([system] { return system; });
    std::shared_ptr<Win32Bus> bus = Win32Bus::create({});
    EXPECT_FALSE(bus->lazyStart()) << "the window is still being made";
    EXPECT_EQ(last_error().code, ErrorCode::WindowThreadFailed);

    sys::DebugOutputCapture log;
    std::thread releaser([&] {
        EXPECT_TRUE(test::wait_for([&] { return log.contains("Win32Bus::~Win32Bus enter"); }));
        system->release();
    });
    bus.reset();
    releaser.join();
    Win32SystemChoice::choose({});
}

} // namespace
} // namespace devio

// DeviceManager: the heart of the library. It builds the stack of hardware busses (bottom bus,
// combiner), listens to their plug and unplug events, turns every accepted hardware device into a
// device object (a RAP device, or a receiver bus that joins the stack as a bus of its own), keeps
// the device list and announces arrivals and removals. It owns the process-wide settings (software
// id, active state, data directory, configuration items), produces the unreported-error event and
// holds the run-loop queue through which events reach the application's thread. The facade
// creates it and hands it out; it is a shared object that knows its own weak reference.
//
// The class is split over two files:
//   DeviceManager.cpp       construction, settings, run loop, unreported errors
//   DeviceManagerStack.cpp  the bus stack, the device list, arrivals and removals, retries
//
// Threads: the busses' PlugUnplug events, the retry timer and the manager's own ActiveChanged come
// through the run loop, so the stack and the device list change only on the application's thread,
// which also makes the facade calls. Library threads may read (devices_on_bus: a receiver asking
// for its paired devices), so the device list has a mutex, held only to read or change it.
#pragma once

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Source/Contracts/IDeviceManager.h"
#include "Source/Contracts/IHardwareBus.h"
#include "Source/Events/ITimer.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"
#include "Source/Manager/RunLoopQueue.h"

namespace devio {

class DeviceManager : public IDeviceManager,
                      public Producer<IDeviceManager::ArrivalRemoval>,
                      public Producer<IDeviceManager::ActiveChanged>,
                      public Producer<IDeviceManager::UnreportedError>,
                      public Producer<IDeviceManager::RunLoopEvent>,
                      public Subscriber<IHardwareBus::PlugUnplug>,
                      public Subscriber<IDeviceManager::ActiveChanged>,
                      public Subscriber<ITimer::TimerEvent>,
                      public std::enable_shared_from_this<DeviceManager> {
public:
    // The retry timer's id, and the first of its delays, which double with every failed round
    // until the last of them.
    static constexpr int kAddBusRetryTimerId = 1;
    static constexpr int kFirstRetryDelayMs = 2000;
    static constexpr int kMaxRetryRounds = 9;

    static std::shared_ptr<DeviceManager> create();
    ~DeviceManager() override;

    std::vector<std::shared_ptr<IDevice>> devices() override;
    std::vector<std::shared_ptr<IDevice>>
    devices_on_bus(std::shared_ptr<IHardwareBus> bus) override;
    void swid(int value) override;
    int swid() override;
    bool is_active() override;
    void set_active(bool active) override;
    void report_unreported_error(const std::string& where) override;
    void enqueue_event_for_runloop(QueuedEvent event) override;
    void call_event_from_runloop() override;
    void remove_runloop_events(const void* subscriber, const void* producer) override;
    void persistent_data_directory(const std::string& directory) override;
    [[nodiscard]] bool config_default(unsigned item, bool* value) override;
    [[nodiscard]] bool config_get(unsigned item, bool* value) override;
    [[nodiscard]] bool config_set(unsigned item, bool value) override;
    [[nodiscard]] bool connectToHardwareBusses() override;
    void makeDevice(std::shared_ptr<IDevice>& device,
                    std::shared_ptr<IHardwareDevice> hardware_device, bool plain_device_only,
                    int product_id) override;
    // Subscribes to the bus's plug events, lists its devices and takes each one as plugged; false
    // when the bus cannot enumerate (it stays subscribed, but is not saved).
    bool addBus(std::shared_ptr<IHardwareBus> bus);
    // Takes every device of the bus as unplugged and forgets the bus.
    void removeBus(std::shared_ptr<IHardwareBus> bus);
    // Logs the device list (level 3).
    void dumpDevices();

    // The RunLoopEvent announces the queue itself, so it takes direct subscribers only; a run-loop
    // subscription would queue an announcement for every announcement (GeneralFailure).
    bool subscribe(IDeviceManager::RunLoopEvent* subscriber, int delivery) override;
    using Producer<IDeviceManager::ArrivalRemoval>::subscribe;
    using Producer<IDeviceManager::ActiveChanged>::subscribe;
    using Producer<IDeviceManager::UnreportedError>::subscribe;

    // Item 6 is one value for the whole process, whichever manager sets it.
    static bool gatt_io_is_disabled();

    const RunLoopQueue& runloop() const { return runloop_; }

protected:
    // Replays the waiting events' announcements for a late RunLoopEvent subscriber.
    void on_subscription_added(IDeviceManager::RunLoopEvent* subscriber, bool direct) override;
    using Producer<IDeviceManager::ArrivalRemoval>::on_subscription_added;
    using Producer<IDeviceManager::ActiveChanged>::on_subscription_added;
    using Producer<IDeviceManager::UnreportedError>::on_subscription_added;
    // The first arrival subscriber makes the manager build its bus stack; the subscription fails
    // when the stack cannot be built.
    bool on_subscribe(IDeviceManager::ArrivalRemoval* subscriber) override;
    using Producer<IDeviceManager::ActiveChanged>::on_subscribe;
    using Producer<IDeviceManager::UnreportedError>::on_subscribe;
    using Producer<IDeviceManager::RunLoopEvent>::on_subscribe;

private:
    using DeviceList = std::map<std::shared_ptr<IHardwareDevice>, std::shared_ptr<IDevice>>;
    using BusSet = std::set<std::shared_ptr<IHardwareBus>>;

    DeviceManager();

    // Run-loop handlers (application's thread): the busses' events, the manager's own
    // ActiveChanged event and the receiver retry timer.
    void onPlug(std::shared_ptr<IHardwareDevice> device) override;
    void onUnplug(std::shared_ptr<IHardwareDevice> device) override;
    void onPowerChange(bool standBy) override;
    void onActiveChanged(bool active) override;
    void onTimerEvent(int timer_id) override;

    bool lazyInitializeHardwareBusses();
    // The acceptance rule: whether the configuration items let this hardware device in.
    bool accepted(const IHardwareDevice& device);
    bool config_value(unsigned item);
    void retry_later(std::shared_ptr<IHardwareBus> bus);
    // Takes every device of a bus's list that has no device object yet as plugged (power resume,
    // activation: the busses list these without announcing them).
    void take_in(const std::vector<std::shared_ptr<IHardwareDevice>>& found);

    // The device list, under its mutex.
    std::shared_ptr<IDevice> listed(const std::shared_ptr<IHardwareDevice>& hardware) const;
    DeviceList device_list() const;
    std::string data_directory();

    static bool config_item_default(unsigned item);
    // False with InvalidConfigItem for items above 8.
    static bool valid_config_item(unsigned item);
    std::atomic<bool>& config_item(unsigned item);

    std::atomic<int> swid_{0};
    std::atomic<bool> active_{true};
    std::atomic<bool> subscribed_to_active_{false};
    std::atomic<bool> destroying_{false};
    std::array<std::atomic<bool>, kConfigItemCount> config_{};
    std::mutex directory_mutex_;
    std::string persistent_data_directory_; // guarded by directory_mutex_
    RunLoopQueue runloop_;

    // The bus stack: application's thread only.
    bool initialised_ = false;
    BusSet saved_busses_;
    BusSet hardware_busses_;
    std::shared_ptr<ITimer> retry_timer_;
    int retry_count_ = 0;
    BusSet retry_busses_;

    mutable std::mutex device_list_mutex_;
    DeviceList device_list_; // guarded by device_list_mutex_
};

} // namespace devio

// DeviceManager: the heart of the library. It owns the process-wide settings (software id, active
// state, data directory, configuration items), produces the manager's events and holds the
// run-loop queue through which events reach the application's thread. The facade creates it and
// hands it out; it is a shared object that knows its own weak reference.
//
// The bus stack and the device list join here with the hardware busses; until then the manager
// reports no devices.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "Source/IDeviceManager.h"
#include "Source/Producer.h"
#include "Source/RunLoopQueue.h"
#include "Source/Subscriber.h"

namespace devio {

class DeviceManager : public IDeviceManager,
                      public Producer<IDeviceManager::ArrivalRemoval>,
                      public Producer<IDeviceManager::ActiveChanged>,
                      public Producer<IDeviceManager::UnreportedError>,
                      public Producer<IDeviceManager::RunLoopEvent>,
                      public Subscriber<IDeviceManager::ActiveChanged>,
                      public std::enable_shared_from_this<DeviceManager> {
public:
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
    bool config_default(unsigned item, bool* value) override;
    bool config_get(unsigned item, bool* value) override;
    bool config_set(unsigned item, bool value) override;
    bool connectToHardwareBusses() override;
    void makeDevice(std::shared_ptr<IDevice>& device,
                    std::shared_ptr<IHardwareDevice> hardware_device, bool plain_device_only,
                    int product_id) override;

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

private:
    DeviceManager();

    // Run-loop handler (application's thread) of the manager's own ActiveChanged event.
    void onActiveChanged(bool active) override;

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
    std::string persistent_data_directory_;
    RunLoopQueue runloop_;
};

} // namespace devio

// CDevio: the library's single entry point. The process's one facade creates the device manager
// when it is first needed, passes every device-manager operation on to it, carries the run-loop
// traffic of every producer in the library, and takes the library down in order at the end of the
// main function. Once shut down it creates no manager again, so late calls from threads that are
// still running do nothing harmful.
//
// Any thread may call any operation. The mutex guards only the manager reference and the
// shut-down flag; each call keeps its own reference to the manager for its duration.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Contracts/IDeviceManager.h"

namespace devio {

class DeviceManager;

class CDevio : public IDeviceManager {
public:
    // The process's facade, built before the main function; its shutdown is registered with the
    // shutdown guard.
    static CDevio& instance();

    // A facade of its own, not registered with the shutdown guard (tests). Producers always reach
    // the process's facade.
    CDevio();
    CDevio(const CDevio&) = delete;
    CDevio& operator=(const CDevio&) = delete;
    ~CDevio() override;

    // IDeviceManager. Operations that need a manager create it through getimpl; the run-loop
    // operations, report_unreported_error and manual_unsubscribe use it only if one exists.
    std::vector<std::shared_ptr<IDevice>> devices() override;
    std::vector<std::shared_ptr<IDevice>>
    devices_on_bus(std::shared_ptr<IHardwareBus> bus) override;
    void swid(int value) override;
    // 15 without a manager.
    int swid() override;
    bool is_active() override;
    void set_active(bool active) override;
    void report_unreported_error(const std::string& where) override;
    // Without a manager the event is dropped.
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

    // For consumers that do not inherit Subscriber<ArrivalRemoval>: straight to the manager's
    // arrival producer. No weak reference is kept, so call manual_unsubscribe before the
    // subscriber dies.
    [[nodiscard]] bool manual_subscribe(ArrivalRemoval* subscriber, int delivery);
    void manual_unsubscribe(ArrivalRemoval* subscriber);

    // The manager as the interface the application subscribes through; empty after shutdown.
    operator std::shared_ptr<IDeviceManager>();
    // The manager, created if needed; empty after shutdown (LastError Unavailable) or destruction.
    std::shared_ptr<DeviceManager> getimpl();

    // Refuses new managers from now on and releases the current one.
    void shutdown();
    // Discards every queued event and releases the current manager; the next operation that needs
    // one makes a new manager.
    void reset();

private:
    // The manager if one exists, without creating one.
    std::shared_ptr<DeviceManager> existing();
    // The destructor's work; the process's facade runs it at exit, a facade of its own when it is
    // destroyed.
    void end_of_life();

    std::shared_ptr<DeviceManager> manager_;
    std::mutex mutex_;
    bool shut_down_ = false;
    std::atomic<bool> destroyed_{false};
};

} // namespace devio

// The device manager's interface: the device list, the process-wide settings, the unreported-error
// channel and the run loop, and the events the manager produces. The facade (CDevio) and the
// manager (DeviceManager) both implement it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Source/Events/QueuedEvent.h"
#include "Source/Log/ErrorCode.h"

namespace devio {

class IDevice;
class IHardwareBus;
class IHardwareDevice;

class IDeviceManager {
public:
    // A device was made from a hardware device, or it has gone.
    class ArrivalRemoval {
    public:
        virtual void onDeviceArrival(std::shared_ptr<IDevice> /*device*/) {}
        virtual void onDeviceRemoval(std::shared_ptr<IDevice> /*device*/) {}
        virtual ~ArrivalRemoval() = default;
    };

    // An event was queued on the run loop: arrange for call_event_from_runloop to be called soon
    // on the application's thread. Subscribe with direct delivery only.
    class RunLoopEvent {
    public:
        virtual void onRunLoopEvent() {}
        virtual ~RunLoopEvent() = default;
    };

    // The application's active state was set.
    class ActiveChanged {
    public:
        virtual void onActiveChanged(bool /*active*/) {}
        virtual ~ActiveChanged() = default;
    };

    // A failure that had no caller to return to; `where` names the reporter, the rest is the
    // reporter's LastError (an empty message when it had none).
    class UnreportedError {
    public:
        virtual void onUnreportedError(std::string /*where*/, ErrorCode /*code*/,
                                       std::string /*message*/, unsigned long /*syserr*/) {}
        virtual ~UnreportedError() = default;
    };

    // The configuration items, by number.
    enum ConfigItem : unsigned {
        bluetooth_active = 0,
        ble_active = 1,
        ble_monitor = 2,
        use_blexp = 3,
        receivers_active = 4,
        usb_devices_active = 5,
        gatt_io_disabled = 6,
        brb_workaround = 7,
        generic_cache = 8,
    };
    static constexpr unsigned kConfigItemCount = 9;

    virtual ~IDeviceManager() = default;

    virtual std::vector<std::shared_ptr<IDevice>> devices() = 0;
    virtual std::vector<std::shared_ptr<IDevice>>
    devices_on_bus(std::shared_ptr<IHardwareBus> bus) = 0;
    // The software id (low 4 bits of `value`); swid() chooses one from 10 to 14 when none is set.
    virtual void swid(int value) = 0;
    virtual int swid() = 0;
    virtual bool is_active() = 0;
    virtual void set_active(bool active) = 0;
    // Produces UnreportedError from the calling thread's LastError (nothing when its code is 0).
    virtual void report_unreported_error(const std::string& where) = 0;

    // The run loop: add an event and announce it (any thread); deliver the oldest event on the
    // calling thread (the application's); discard the events of one subscription, or all of them
    // when both keys are null (any thread).
    virtual void enqueue_event_for_runloop(QueuedEvent event) = 0;
    virtual void call_event_from_runloop() = 0;
    virtual void remove_runloop_events(const void* subscriber, const void* producer) = 0;

    // Folder for the library's cache files; a slash is appended when missing.
    virtual void persistent_data_directory(const std::string& directory) = 0;
    // Configuration items 0 to 8; an out value may be null. Other items fail with
    // InvalidConfigItem.
    [[nodiscard]] virtual bool config_default(unsigned item, bool* value) = 0;
    [[nodiscard]] virtual bool config_get(unsigned item, bool* value) = 0;
    [[nodiscard]] virtual bool config_set(unsigned item, bool value) = 0;
    [[nodiscard]] virtual bool connectToHardwareBusses() = 0;
    virtual void makeDevice(std::shared_ptr<IDevice>& device,
                            std::shared_ptr<IHardwareDevice> hardware_device,
                            bool plain_device_only, int product_id) = 0;
};

} // namespace devio

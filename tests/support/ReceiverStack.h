// The whole device stack of the process's device manager on the virtual HID system: the Windows
// HID bus, the combiner, and a virtual receiver (kind A) with the virtual mouse paired to it in
// slot 1. The run loop is answered on the test's thread, and the manager's arrivals, removals and
// unreported errors are recorded as the application would see them.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Source/Contracts/IDevice.h"
#include "Source/Events/Subscriber.h"
#include "Source/Manager/CDevio.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/Windows/Win32SystemChoice.h"
#include "sim/VirtualHidSystem.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualReceiver.h"
#include "support/RunLoopPump.h"
#include "support/ScopedTimeScale.h"
#include "support/WaitFor.h"

namespace devio::test {

// What the manager announced, in order, through the run loop.
class ManagerEvents : public Subscriber<IDeviceManager::ArrivalRemoval>,
                      public Subscriber<IDeviceManager::UnreportedError> {
public:
    struct Entry {
        bool arrival;
        int pid;
        std::shared_ptr<IDevice> device;
    };
    struct Error {
        std::string where;
        ErrorCode code;
        std::string message;
    };

    std::vector<Entry> entries() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }
    std::vector<Error> errors() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return errors_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.clear();
        errors_.clear();
    }

private:
    void onDeviceArrival(std::shared_ptr<IDevice> device) override { add(true, device); }
    void onDeviceRemoval(std::shared_ptr<IDevice> device) override { add(false, device); }
    void onUnreportedError(std::string where, ErrorCode code, std::string message,
                           unsigned long /*syserr*/) override {
        std::lock_guard<std::mutex> lock(mutex_);
        errors_.push_back({std::move(where), code, std::move(message)});
    }
    void add(bool arrival, const std::shared_ptr<IDevice>& device) {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.push_back({arrival, device->pid(), device});
    }

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::vector<Error> errors_;
};

class ReceiverStack {
public:
    // `receivers` and `usb_devices` are configuration items 4 and 5, set before the stack exists.
    explicit ReceiverStack(bool receivers = true, bool usb_devices = true, double time_scale = 0.01)
        : scale(time_scale) {
        Win32SystemChoice::choose([system = system] { return system; });
        receiver.pair(mouse);
        CDevio::instance().reset();
        manager = CDevio::instance().getimpl();
        EXPECT_TRUE(manager->config_set(IDeviceManager::receivers_active, receivers));
        EXPECT_TRUE(manager->config_set(IDeviceManager::usb_devices_active, usb_devices));
        pump = std::make_unique<RunLoopPump>(manager);
        events.Subscriber<IDeviceManager::UnreportedError>::subscribe(
            manager, DeliverDirect, "ReceiverStack::UnreportedError");
    }
    ~ReceiverStack() {
        // The manager goes first, while the virtual world it talks to is still there.
        events.Subscriber<IDeviceManager::ArrivalRemoval>::unsubscribe(manager);
        events.Subscriber<IDeviceManager::UnreportedError>::unsubscribe(manager);
        pump.reset();
        manager.reset();
        CDevio::instance().reset();
        system->unplug(receiver);
        Win32SystemChoice::choose({});
    }
    ReceiverStack(const ReceiverStack&) = delete;
    ReceiverStack& operator=(const ReceiverStack&) = delete;

    // Subscribes to the arrivals, which builds the stack.
    bool start() {
        return events.Subscriber<IDeviceManager::ArrivalRemoval>::subscribe(
            manager, DeliverViaRunLoop, "ReceiverStack::ArrivalRemoval");
    }
    std::vector<std::string> plug() { return system->plug(receiver); }
    // Answers the run loop until `condition` holds; false when it did not within the bound.
    template <class Condition>
    bool pump_until(Condition condition) {
        return wait_for([&] {
            pump->drain();
            return condition();
        });
    }
    bool pump_until_entries(std::size_t count) {
        return pump_until([&] { return events.entries().size() >= count; });
    }
    // The manager's device with this product ID, or null.
    std::shared_ptr<IDevice> device_with_pid(int pid) {
        for (const std::shared_ptr<IDevice>& device : manager->devices()) {
            if (device->pid() == pid) {
                return device;
            }
        }
        return nullptr;
    }

    static constexpr int kReceiverPid = 0xB401;
    static constexpr int kMousePid = 0x40A1;

    ScopedTimeScale scale;
    sim::Scheduler scheduler;
    sim::VirtualReceiver receiver{scheduler, *sim::receiver_kind('A')};
    std::shared_ptr<sim::VirtualMouse> mouse = std::make_shared<sim::VirtualMouse>(scheduler);
    std::shared_ptr<sim::VirtualHidSystem> system = std::make_shared<sim::VirtualHidSystem>();
    std::shared_ptr<DeviceManager> manager;
    std::unique_ptr<RunLoopPump> pump;
    ManagerEvents events;
};

} // namespace devio::test

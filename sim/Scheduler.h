// The simulator's clock work: runs the virtual devices' actions in time order on one simulator
// thread, each after a delay on the scaled clock of Source/System, so that answers reach the host
// asynchronously and late, as they do from real hardware.
//
// One lock, the simulator lock, guards the state of every virtual device: the simulator thread
// holds it while an action runs, and any other thread takes it (Group::lock) before it reads or
// changes device state. It is recursive, so an action may call the devices' public operations.
// Posting never waits for the simulator lock, so a host thread can always write a report.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace devio::sim {

class Scheduler {
    struct Core;

public:
    using Action = std::function<void()>;
    // Delays are given in unscaled time; the clock's time scale shortens them.
    using Delay = std::chrono::microseconds;

    // The actions of one device. Destroying the group (or cancel) drops its pending actions; since
    // actions run under the simulator lock, none of them is running afterwards unless the caller is
    // that very action. A group stays usable when the scheduler is gone: its posts then never run.
    class Group {
    public:
        explicit Group(Scheduler& scheduler);
        ~Group();
        Group(const Group&) = delete;
        Group& operator=(const Group&) = delete;

        // Runs `action` on the simulator thread once `delay` (scaled) has passed. Actions that
        // fall due at the same time run in the order in which they were posted. Any thread.
        void post(Delay delay, Action action);
        // Drops every pending action of this group; later posts run as usual.
        void cancel();
        // Takes the simulator lock.
        std::unique_lock<std::recursive_mutex> lock() const;
        // True on the simulator thread.
        bool on_simulator_thread() const;

    private:
        std::shared_ptr<Core> core_;
        uint64_t id_;
    };

    Scheduler();
    // Stops the simulator thread; pending actions are dropped without running.
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

private:
    std::shared_ptr<Core> core_;
    std::thread thread_;
};

} // namespace devio::sim

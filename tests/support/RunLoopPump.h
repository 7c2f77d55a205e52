// The application's side of the run loop in tests: subscribes to the manager's RunLoopEvent with
// direct delivery, as the application must, counts the announcements, and answers them with
// call_event_from_runloop on the test's thread.
#pragma once

#include <atomic>
#include <memory>

#include "Source/Events/Subscriber.h"
#include "Source/Manager/CDevio.h"
#include "support/WaitFor.h"

namespace devio::test {

class RunLoopPump : public Subscriber<IDeviceManager::RunLoopEvent> {
public:
    // Subscribes through the process's facade (which makes a manager if there is none).
    RunLoopPump() : RunLoopPump(CDevio::instance()) {}
    // Subscribes to `manager`, whose announcements are then answered through the facade.
    explicit RunLoopPump(std::shared_ptr<IDeviceManager> manager) : manager_(std::move(manager)) {
        subscribed_ = subscribe(manager_, DeliverDirect, "RunLoopPump::RunLoopEvent");
    }
    ~RunLoopPump() override { unsubscribe(manager_); }

    bool subscribed() const { return subscribed_; }
    // Announcements not answered yet.
    int pending() const { return pending_.load(); }
    bool wait_for_pending(int count) {
        return wait_for([&] { return pending_.load() >= count; });
    }

    // Answers one announcement; false when none is pending.
    bool run_one() {
        if (pending_.load() == 0) {
            return false;
        }
        --pending_;
        CDevio::instance().call_event_from_runloop();
        return true;
    }
    // Answers every pending announcement with a single call, as an application that merges them.
    bool run_merged() {
        if (pending_.exchange(0) == 0) {
            return false;
        }
        CDevio::instance().call_event_from_runloop();
        return true;
    }
    // Answers announcements until none is pending; returns the number of calls.
    int drain() {
        int calls = 0;
        while (run_one()) {
            ++calls;
        }
        return calls;
    }

private:
    void onRunLoopEvent() override { ++pending_; }

    std::shared_ptr<IDeviceManager> manager_;
    std::atomic<int> pending_{0};
    bool subscribed_ = false;
};

} // namespace devio::test

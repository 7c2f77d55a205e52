#include "sim/Scheduler.h"

#include <condition_variable>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "sim/DelayLedger.h"

namespace devio::sim {

namespace {

using TimePoint = std::chrono::steady_clock::time_point;

struct Key {
    TimePoint due;
    uint64_t sequence; // keeps actions that fall due together in posting order
    bool operator<(const Key& other) const {
        return due != other.due ? due < other.due : sequence < other.sequence;
    }
};

struct Entry {
    uint64_t group;
    Scheduler::Action action;
    DelayLedger::Link link; // the exchange the action belongs to, for the floor of benchmarks
};

TimePoint due_after(Scheduler::Delay delay) {
    auto now = std::chrono::steady_clock::now();
    if (delay <= Scheduler::Delay::zero()) {
        return now;
    }
    double real_ns = static_cast<double>(delay.count()) * 1000.0 * sys::Clock::time_scale();
    return now + std::chrono::nanoseconds(static_cast<int64_t>(real_ns));
}

} // namespace

struct Scheduler::Core {
    std::recursive_mutex simulator_lock;

    std::mutex queue_mutex; // guards everything below
    std::condition_variable wake;
    std::map<Key, Entry> queue;
    uint64_t next_sequence = 0;
    uint64_t next_group = 1;
    bool stopping = false;
    std::thread::id thread_id;

    void run();
    // Takes the first action that is due, or returns false when the thread should stop.
    bool wait_for_due(std::unique_lock<std::mutex>& queue_lock);
};

bool Scheduler::Core::wait_for_due(std::unique_lock<std::mutex>& queue_lock) {
    while (!stopping) {
        if (queue.empty()) {
            wake.wait(queue_lock);
        } else if (TimePoint due = queue.begin()->first.due;
                   due > std::chrono::steady_clock::now()) {
            wake.wait_until(queue_lock, due); // a copy: the entry may be cancelled meanwhile
        } else {
            return true;
        }
    }
    return false;
}

void Scheduler::Core::run() {
    std::unique_lock queue_lock(queue_mutex);
    while (wait_for_due(queue_lock)) {
        // The simulator lock comes first and the action is taken from the queue only while it is
        // held: a device that cancels its group under that lock can then never see one of its
        // actions start afterwards.
        queue_lock.unlock();
        std::unique_lock simulator(simulator_lock);
        queue_lock.lock();
        if (stopping || queue.empty() ||
            queue.begin()->first.due > std::chrono::steady_clock::now()) {
            continue;
        }
        Action action = std::move(queue.begin()->second.action);
        DelayLedger::Running running(std::move(queue.begin()->second.link));
        queue.erase(queue.begin());
        queue_lock.unlock();
        try {
            action();
        } catch (const std::exception& e) {
            sys::DebugOutput::write(std::string("sim::Scheduler: an action failed: ") + e.what() +
                                    "\n");
        } catch (...) {
            sys::DebugOutput::write("sim::Scheduler: an action failed\n");
        }
        // Destroyed with the simulator lock held but outside the queue mutex: what it captured may
        // be the last reference to a device, whose destructor cancels its group.
        action = nullptr;
        simulator.unlock();
        queue_lock.lock();
    }
}

Scheduler::Scheduler() : core_(std::make_shared<Core>()) {
    std::unique_lock queue_lock(core_->queue_mutex);
    thread_ = std::thread([core = core_] { core->run(); });
    core_->thread_id = thread_.get_id();
}

Scheduler::~Scheduler() {
    std::map<Key, Entry> dropped;
    {
        std::lock_guard queue_lock(core_->queue_mutex);
        core_->stopping = true;
        dropped.swap(core_->queue);
    }
    core_->wake.notify_all();
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach(); // the thread holds the core and ends by itself
    } else {
        thread_.join();
    }
}

Scheduler::Group::Group(Scheduler& scheduler) : core_(scheduler.core_) {
    std::lock_guard queue_lock(core_->queue_mutex);
    id_ = core_->next_group++;
}

Scheduler::Group::~Group() {
    cancel();
}

void Scheduler::Group::post(Delay delay, Action action) {
    TimePoint due = due_after(delay);
    {
        std::lock_guard queue_lock(core_->queue_mutex);
        if (core_->stopping) {
            return;
        }
        core_->queue.emplace(Key{due, core_->next_sequence++}, Entry{id_, std::move(action), DelayLedger::link(delay)});
    }
    core_->wake.notify_one();
}

void Scheduler::Group::cancel() {
    std::vector<Action> dropped; // destroyed after the queue mutex is released
    auto simulator = lock();
    std::lock_guard queue_lock(core_->queue_mutex);
    for (auto it = core_->queue.begin(); it != core_->queue.end();) {
        if (it->second.group == id_) {
            dropped.push_back(std::move(it->second.action));
            it = core_->queue.erase(it);
        } else {
            ++it;
        }
    }
}

std::unique_lock<std::recursive_mutex> Scheduler::Group::lock() const {
    return std::unique_lock(core_->simulator_lock);
}

bool Scheduler::Group::on_simulator_thread() const {
    std::lock_guard queue_lock(core_->queue_mutex);
    return core_->thread_id == std::this_thread::get_id();
}

} // namespace devio::sim

// Records what a hardware device produces (Read, Write, Connect), with direct delivery on
// whichever thread produces it, and lets a test wait for what it expects. The bound of a wait only
// ends a test that would otherwise hang.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/Subscriber.h"

namespace devio::test {

class HardwareEvents : public Subscriber<IHardwareDevice::Read>,
                       public Subscriber<IHardwareDevice::Write>,
                       public Subscriber<IHardwareDevice::Connect> {
public:
    struct Read {
        std::vector<Byte> report;
        bool set_own_index;
        unsigned syserr;
        unsigned size;
        std::thread::id thread;
    };
    struct Write {
        std::vector<Byte> report;
        ErrorCode code;
        unsigned syserr;
    };
    static constexpr auto kBound = std::chrono::seconds(10);

    // `on_read` runs inside each Read handler, before the event is recorded.
    explicit HardwareEvents(std::shared_ptr<IHardwareDevice> device,
                            std::function<void(const Read&)> on_read = {})
        : device_(std::move(device)), on_read_(std::move(on_read)) {
        Subscriber<IHardwareDevice::Read>::subscribe(device_, DeliverDirect, "HardwareEvents");
        Subscriber<IHardwareDevice::Write>::subscribe(device_, DeliverDirect, "HardwareEvents");
        Subscriber<IHardwareDevice::Connect>::subscribe(device_, DeliverDirect, "HardwareEvents");
    }
    ~HardwareEvents() override {
        Subscriber<IHardwareDevice::Read>::unsubscribe(device_);
        Subscriber<IHardwareDevice::Write>::unsubscribe(device_);
        Subscriber<IHardwareDevice::Connect>::unsubscribe(device_);
    }

    std::vector<Read> reads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return reads_;
    }
    std::vector<Write> writes() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return writes_;
    }
    int connects() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return connects_;
    }
    int disconnects() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return disconnects_;
    }

    // The first Read from position `from` on that matches; a Read with an empty report when none
    // came within the bound.
    Read wait_read(const std::function<bool(const Read&)>& match, std::size_t from = 0) {
        std::unique_lock<std::mutex> lock(mutex_);
        Read found{};
        changed_.wait_for(lock, kBound, [&] {
            for (std::size_t i = from; i < reads_.size(); ++i) {
                if (match(reads_[i])) {
                    found = reads_[i];
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    // Waits until the counts of connects and disconnects have reached these numbers.
    bool wait_links(int connects, int disconnects) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(
            lock, kBound, [&] { return connects_ >= connects && disconnects_ >= disconnects; });
    }

private:
    void onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr,
                unsigned size) override {
        Read event{std::move(report), set_own_index, syserr, size, std::this_thread::get_id()};
        if (on_read_) {
            on_read_(event);
        }
        record([&] { reads_.push_back(std::move(event)); });
    }
    void onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) override {
        record([&] { writes_.push_back({std::move(report), code, syserr}); });
    }
    void onConnect(std::shared_ptr<IHardwareDevice> /*device*/) override {
        record([&] { ++connects_; });
    }
    void onDisconnect(std::shared_ptr<IHardwareDevice> /*device*/) override {
        record([&] { ++disconnects_; });
    }
    template <class Change>
    void record(Change change) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            change();
        }
        changed_.notify_all();
    }

    const std::shared_ptr<IHardwareDevice> device_;
    const std::function<void(const Read&)> on_read_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Read> reads_;
    std::vector<Write> writes_;
    int connects_ = 0;
    int disconnects_ = 0;
};

} // namespace devio::test

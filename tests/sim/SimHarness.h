// Test harness for the simulator: a receiver with a mouse in slot 1, a host side that records
// every report the receiver sends up, and helpers that talk to both with raw reports.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "Source/System/Clock.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualReceiver.h"

namespace devio::sim::test {

inline constexpr Byte kSwid = 0x1;                       // the software id of "our" host program
inline constexpr Byte kMouseIndex = 1;                   // the mouse's device index
inline constexpr auto kBound = std::chrono::seconds(10); // only ends a test that would hang

struct Received {
    Collection collection;
    Report report;
};

// The transport's side of the receiver: records what arrives and lets a test wait for it.
class HostRecorder {
public:
    using Match = std::function<bool(const Report&)>;

    VirtualReceiver::Sink sink() {
        return [this](Collection collection, const Report& report) {
            {
                std::lock_guard lock(mutex_);
                received_.push_back({collection, report});
            }
            changed_.notify_all();
        };
    }

    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return received_.size();
    }
    std::vector<Received> since(std::size_t from) const {
        std::lock_guard lock(mutex_);
        return {received_.begin() + static_cast<std::ptrdiff_t>(std::min(from, received_.size())),
                received_.end()};
    }
    // The position of the first report at or after `from` that matches.
    std::optional<std::size_t> wait(std::size_t from, const Match& match) {
        std::unique_lock lock(mutex_);
        std::optional<std::size_t> found;
        changed_.wait_for(lock, kBound, [&] {
            for (std::size_t i = from; i < received_.size(); ++i) {
                if (match(received_[i].report)) {
                    found = i;
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    Received at(std::size_t index) const {
        std::lock_guard lock(mutex_);
        return received_.at(index);
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Received> received_;
};

inline Report request(Byte index, Byte feature_index, Byte function, std::vector<Byte> params = {},
                      Byte software_id = kSwid) {
    Byte function_byte = rap::function_byte(function, software_id);
    if (params.size() <= 3) {
        Report report = rap::short_report(index, feature_index, function_byte);
        std::copy(params.begin(), params.end(), report.begin() + 4);
        return report;
    }
    return rap::long_report(index, feature_index, function_byte, params);
}

// A report that answers `req`: same bytes 1 to 3, or a RAP 1.0 or RAP 2.0 error about it.
inline bool answers(const Report& report, const Report& req) {
    if (report[1] != req[1]) {
        return false;
    }
    if (report[2] == rap::kRap10Error || report[2] == rap::kRap20Error) {
        return report[3] == req[2] && report[4] == req[3];
    }
    return report[2] == req[2] && report[3] == req[3];
}

inline HostRecorder::Match connection_of(Byte index) {
    return [index](const Report& r) { return r[1] == index && r[2] == rap::kDeviceConnection; };
}

class SimTest : public ::testing::Test {
protected:
    SimTest() { sys::Clock::set_time_scale(0.01); }

    void SetUp() override {
        receiver.set_sink(host.sink());
        ASSERT_EQ(receiver.pair(mouse), kMouseIndex);
    }

    void write(const Report& report) {
        Collection collection =
            report.size() == rap::kShortReportLength ? Collection::Short : Collection::Long;
        ASSERT_TRUE(receiver.host_write(collection, report));
    }

    // Writes `req` and waits for its answer.
    Report exchange(const Report& req) {
        std::size_t from = host.count();
        write(req);
        auto at = host.wait(from, [&](const Report& r) { return answers(r, req); });
        if (!at) {
            ADD_FAILURE() << "no answer";
            return Report(rap::kShortReportLength, 0);
        }
        return host.at(*at).report;
    }

    // Waits for the first report from `from` on that matches; fails the test without one.
    Report wait_for(std::size_t from, const HostRecorder::Match& match) {
        auto at = host.wait(from, match);
        if (!at) {
            ADD_FAILURE() << "the expected report did not arrive";
            return Report(rap::kShortReportLength, 0);
        }
        return host.at(*at).report;
    }

    Report mouse_request(Byte feature_index, Byte function, std::vector<Byte> params = {}) {
        return exchange(request(kMouseIndex, feature_index, function, std::move(params)));
    }

    void enable_notifications() {
        exchange(rap::short_report(rap::kOwnIndex, rap::kWriteShortRegister, 0x00,
                                   {0x00, VirtualReceiver::kWirelessNotifications, 0x00}));
    }

    // Declared in this order so that the receiver stops before the host side goes away.
    Scheduler scheduler;
    HostRecorder host;
    VirtualReceiver receiver{scheduler, *receiver_kind('A')};
    std::shared_ptr<VirtualMouse> mouse = std::make_shared<VirtualMouse>(scheduler);
};

} // namespace devio::sim::test

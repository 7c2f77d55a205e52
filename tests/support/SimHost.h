// The host's side of a virtual receiver for tests and benchmarks: a sink that records every
// report the receiver sends up, and waits on a condition variable for the one a caller expects.
// The bound of a wait only ends a test that would otherwise hang.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/VirtualReceiver.h"

namespace devio::sim::test {

inline constexpr auto kBound = std::chrono::seconds(10);
inline constexpr Byte kSwid = 0x1; // the software id of "our" host program

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

} // namespace devio::sim::test

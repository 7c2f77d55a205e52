// Test harness for the simulator: a receiver with a mouse in slot 1, the recording host side of
// support/SimHost.h, and helpers that talk to both with raw reports.
#pragma once

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "Source/System/Clock.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualReceiver.h"
#include "support/SimHost.h"

namespace devio::sim::test {

inline constexpr Byte kMouseIndex = 1; // the mouse's device index
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

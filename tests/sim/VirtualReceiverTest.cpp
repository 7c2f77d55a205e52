#include "sim/VirtualReceiver.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "SimHarness.h"
#include "Source/System/SystemError.h"

namespace devio::sim {
namespace {

using test::SimTest;

Report reg(Byte sub_id, Byte address, std::initializer_list<Byte> params = {}) {
    return rap::short_report(rap::kOwnIndex, sub_id, address, params);
}

class SimReceiver : public SimTest {
protected:
    // Pairs a second mouse, switched off, at device index 3.
    std::shared_ptr<VirtualMouse> pair_switched_off_mouse() {
        MouseOptions options;
        options.powered = false;
        auto second = std::make_shared<VirtualMouse>(scheduler, options);
        EXPECT_EQ(receiver.pair_at(3, second), 3);
        return second;
    }
};

TEST_F(SimReceiver, RefusesWritesThatAreNotAnOutputReportOfTheCollection) {
    for (auto [collection, report] :
         {std::pair{Collection::Short, Report{0x10, 0xFF, 0x81, 0x00, 0, 0}},
          std::pair{Collection::Short, Report{0x11, 0xFF, 0x81, 0x00, 0, 0, 0}},
          std::pair{Collection::Long, reg(rap::kReadShortRegister, 0x00)},
          std::pair{Collection::Short, Report{}}}) {
        sys::set_last_system_error(0);
        EXPECT_FALSE(receiver.host_write(collection, report));
        EXPECT_EQ(sys::last_system_error(), static_cast<uint32_t>(EINVAL));
    }
}

TEST_F(SimReceiver, RegisterZeroIsReadModifiedWrittenAndItsWriteEchoedToReaders) {
    EXPECT_EQ(exchange(reg(rap::kReadShortRegister, 0x00)),
              (Report{0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(exchange(reg(rap::kWriteShortRegister, 0x00, {0x00, 0x09, 0x00})),
              (Report{0x10, 0xFF, 0x80, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(exchange(reg(rap::kReadShortRegister, 0x00)),
              (Report{0x10, 0xFF, 0x81, 0x00, 0x00, 0x09, 0x00}));
    EXPECT_EQ(receiver.state().register_zero, (std::array<Byte, 3>{0x00, 0x09, 0x00}));
}

TEST_F(SimReceiver, RegisterTwoCountsTheDevicesThatForcedArrivalAnnounces) {
    auto count = [&] { return exchange(reg(rap::kReadShortRegister, 0x02))[5]; };
    EXPECT_EQ(count(), 1);
    pair_switched_off_mouse();
    EXPECT_EQ(count(), 2) << "paired, though out of reach";
    exchange(reg(rap::kWriteShortRegister, 0xB2, {0x03, 0x01}));
    EXPECT_EQ(count(), 1);
}

TEST_F(SimReceiver, ForcedArrivalAnnouncesEveryPairedDeviceBeforeItAnswers) {
    pair_switched_off_mouse();
    std::size_t from = host.count();
    Report answer = exchange(reg(rap::kWriteShortRegister, 0x02, {0x02, 0x00, 0x00}));
    EXPECT_EQ(answer, (Report{0x10, 0xFF, 0x80, 0x02, 0x00, 0x00, 0x00}));
    auto reports = host.since(from);
    ASSERT_EQ(reports.size(), 3u) << "two notifications, then the answer";
    // Protocol type 4 of receiver A; link bit 0x40 for the switched-off mouse; pid low byte first.
    EXPECT_EQ(reports[0].report, (Report{0x10, 0x01, 0x41, 0x04, 0x00, 0xA1, 0x40}));
    EXPECT_EQ(reports[1].report, (Report{0x10, 0x03, 0x41, 0x04, 0x40, 0xA1, 0x40}));
    EXPECT_EQ(reports[2].report, answer);
    for (const auto& r : reports) {
        EXPECT_EQ(r.collection, Collection::Short);
    }
}

TEST_F(SimReceiver, AnnouncesLinkChangesOnlyWhileWirelessNotificationsAreOn) {
    mouse->set_power(false); // not announced: notifications are off
    enable_notifications();
    std::size_t from = host.count();
    mouse->set_power(true);
    EXPECT_EQ(wait_for(from, test::connection_of(1)),
              (Report{0x10, 0x01, 0x41, 0x04, 0x00, 0xA1, 0x40}))
        << "the first notification is the link coming up";
    from = host.count();
    mouse->set_power(false);
    EXPECT_EQ(wait_for(from, test::connection_of(1)),
              (Report{0x10, 0x01, 0x41, 0x04, 0x40, 0xA1, 0x40}));
}

TEST_F(SimReceiver, EachKindUsesItsOwnProtocolTypeAndSlotCount) {
    for (const ReceiverKind& kind : receiver_kinds()) {
        test::HostRecorder recorder; // outlives the receiver that calls it
        VirtualReceiver other(scheduler, kind);
        other.set_sink(recorder.sink());
        for (int i = 0; i <= kind.slots; ++i) {
            int expected = i < kind.slots ? i + 1 : 0; // 0: every slot is taken
            EXPECT_EQ(other.pair(std::make_shared<VirtualMouse>(scheduler)), expected)
                << kind.letter;
        }
        ASSERT_TRUE(other.host_write(Collection::Short, reg(rap::kWriteShortRegister, 0x02, {2})));
        auto last = recorder.wait(0, [&](const Report& r) {
            return r[1] == kind.slots && r[2] == rap::kDeviceConnection;
        });
        ASSERT_TRUE(last) << kind.letter;
        EXPECT_EQ(recorder.at(*last).report[3], kind.protocol_type) << kind.letter;
    }
}

TEST_F(SimReceiver, PairingLockOpensClosesAndTimesOut) {
    std::size_t from = host.count();
    EXPECT_EQ(exchange(reg(rap::kWriteShortRegister, 0xB2, {0x01})),
              (Report{0x10, 0xFF, 0x80, 0xB2, 0, 0, 0}));
    auto lock_state = [](const Report& r) { return r[2] == rap::kLockState; };
    EXPECT_EQ(wait_for(from, lock_state), (Report{0x10, 0xFF, 0x4A, 0x01, 0x00, 0, 0}));
    EXPECT_TRUE(receiver.state().lock_open);

    from = host.count();
    exchange(reg(rap::kWriteShortRegister, 0xB2, {0x02}));
    EXPECT_EQ(wait_for(from, lock_state), (Report{0x10, 0xFF, 0x4A, 0x00, 0x00, 0, 0}));

    from = host.count();
    exchange(reg(rap::kWriteShortRegister, 0xB2, {0x01}));
    auto opened = host.wait(from, lock_state);
    ASSERT_TRUE(opened);
    // Left open, it closes by itself after 30 s (0.3 s here) with the time-out error.
    EXPECT_EQ(wait_for(*opened + 1, lock_state), (Report{0x10, 0xFF, 0x4A, 0x00, 0x01, 0, 0}));
    EXPECT_FALSE(receiver.state().lock_open);
}

TEST_F(SimReceiver, PairsAnOfferedDeviceOnlyWhileTheLockIsOpen) {
    enable_notifications();
    auto newcomer = std::make_shared<VirtualMouse>(scheduler);
    auto lock_state = [](const Report& r) { return r[2] == rap::kLockState; };
    EXPECT_EQ(receiver.offer_pairing(newcomer), 0);
    std::size_t from = host.count();
    exchange(reg(rap::kWriteShortRegister, 0xB2, {0x01}));
    from = *host.wait(from, lock_state) + 1;
    EXPECT_EQ(receiver.offer_pairing(newcomer), 2);
    EXPECT_EQ(wait_for(from, test::connection_of(2)),
              (Report{0x10, 0x02, 0x41, 0x04, 0x00, 0xA1, 0x40}));
    EXPECT_EQ(wait_for(from, lock_state), (Report{0x10, 0xFF, 0x4A, 0x00, 0x00, 0, 0}));
}

TEST_F(SimReceiver, UnpairEmptiesTheSlotAndAnnouncesIt) {
    std::size_t from = host.count();
    EXPECT_EQ(exchange(reg(rap::kWriteShortRegister, 0xB2, {0x03, 0x01})),
              (Report{0x10, 0xFF, 0x80, 0xB2, 0, 0, 0}));
    EXPECT_EQ(wait_for(from, [](const Report& r) { return r[2] == rap::kDeviceUnpaired; }),
              (Report{0x10, 0x01, 0x40, 0x02, 0, 0, 0}));
    EXPECT_FALSE(receiver.state().slots[0].paired);
    EXPECT_FALSE(mouse->state().link_established);
    // The slot is empty now: unpairing it again and talking to it are refused.
    EXPECT_EQ(exchange(reg(rap::kWriteShortRegister, 0xB2, {0x03, 0x01})),
              (Report{0x10, 0xFF, 0x8F, 0x80, 0xB2, 0x03, 0x00}));
    EXPECT_EQ(exchange(test::request(1, 0x00, 1)), (Report{0x10, 0x01, 0x8F, 0x00, 0x11, 0x08, 0}));
}

TEST_F(SimReceiver, LongRegistersAnswerOnTheLongCollection) {
    receiver.set_slot_byte(1, 0x5C);
    std::size_t from = host.count();
    Report slots = exchange(reg(rap::kReadLongRegister, 0xB3));
    EXPECT_EQ(host.since(from).back().collection, Collection::Long);
    ASSERT_EQ(slots.size(), 20u);
    EXPECT_EQ((Report(slots.begin(), slots.begin() + 10)),
              (Report{0x11, 0xFF, 0x83, 0xB3, 0x5C, 0, 0, 0, 0, 0}));

    Report name = exchange(reg(rap::kReadLongRegister, 0xB5, {0x40}));
    EXPECT_EQ((Report(name.begin(), name.begin() + 12)),
              (Report{0x11, 0xFF, 0x83, 0xB5, 0x40, 6, 'V', 'a', 'n', 't', 'o', 'r'}));
    EXPECT_EQ(exchange(reg(rap::kReadLongRegister, 0xB5, {0x41})),
              (Report{0x10, 0xFF, 0x8F, 0x83, 0xB5, 0x03, 0x00}))
        << "slot 1 is empty";
}

TEST_F(SimReceiver, AnswersWhatItDoesNotKnowWithRap10Errors) {
    struct Case {
        Report request;
        Byte code;
    };
    for (const Case& c : {
             Case{reg(rap::kReadShortRegister, 0x77), 0x02},
             Case{reg(rap::kWriteShortRegister, 0x77, {1}), 0x02},
             Case{reg(rap::kReadLongRegister, 0x00), 0x02},
             Case{reg(rap::kWriteLongRegister, 0xB3), 0x02},
             Case{reg(rap::kWriteShortRegister, 0x02, {0x01}), 0x03},
             Case{reg(rap::kWriteShortRegister, 0xB2, {0x07}), 0x03},
             Case{test::request(rap::kOwnIndex, 0x00, 1), 0x01}, // RAP 2.0 to the receiver
             Case{reg(0x40, 0x00), 0x01},
             Case{test::request(0x07, 0x00, 1), 0x08}, // beyond the six slots
             Case{test::request(0x00, 0x00, 1), 0x08},
         }) {
        Report answer = exchange(c.request);
        EXPECT_EQ(answer, (Report{0x10, c.request[1], 0x8F, c.request[2], c.request[3], c.code, 0}))
            << std::hex << int(c.request[2]) << " " << int(c.request[3]);
    }
}

TEST_F(SimReceiver, RelaysByDeviceIndexInBothDirections) {
    Report answer = exchange(test::request(1, 0x00, 1, {0x00, 0x00, 0x5A}));
    EXPECT_EQ(answer[1], 0x01) << "the answer goes up with the device's index";
    EXPECT_EQ(answer[6], 0x5A);
    mouse->set_power(false);
    EXPECT_EQ(exchange(test::request(1, 0x00, 1)), (Report{0x10, 0x01, 0x8F, 0x00, 0x11, 0x09, 0}))
        << "a device out of reach";
}

TEST_F(SimReceiver, RegisterThreeKeepsTheSlotFlags) {
    exchange(reg(rap::kWriteShortRegister, 0x03, {0x05}));
    EXPECT_EQ(exchange(reg(rap::kReadShortRegister, 0x03))[4], 0x05);
}

} // namespace
} // namespace devio::sim

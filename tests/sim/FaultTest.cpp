#include <chrono>

#include <gtest/gtest.h>

#include "MouseDfu.h"
#include "support/WaitFor.h"

namespace devio::sim {
namespace {

using Image = DfuTransfer::Image;
using test::HostRecorder;
using test::Received;
using test::SimTest;
using namespace std::chrono_literals;

Report ping(Byte index, Byte value) {
    return test::request(index, 0x00, 1, {0, 0, value});
}
Report register_read(Byte address) {
    return rap::short_report(rap::kOwnIndex, rap::kReadShortRegister, address);
}

class SimFaults : public SimTest {
protected:
    // Writes the requests back to back and waits for `last`, the answer to the last one: equal
    // requests are answered in order, so every answer that is not lost has arrived by then.
    std::vector<Received> run(const std::vector<Report>& requests,
                              const HostRecorder::Match& last) {
        std::size_t from = host.count();
        for (const auto& r : requests) {
            write(r);
        }
        wait_for(from, last);
        return host.since(from);
    }
};

HostRecorder::Match ping_answer(Byte value) {
    return [value](const Report& r) { return r[2] == 0x00 && r[6] == value; };
}

TEST_F(SimFaults, TheAnswerToTheNthRequestIsLost) {
    mouse->drop_answer(2);
    auto got = run({ping(1, 0x21), ping(1, 0x22), ping(1, 0x23)}, ping_answer(0x23));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(ping_answer(0x21)(got[0].report));
    EXPECT_TRUE(ping_answer(0x23)(got[1].report));

    receiver.drop_answer(1);
    got = run({register_read(0x00), register_read(0x02)},
              [](const Report& r) { return r[2] == rap::kReadShortRegister && r[3] == 0x02; });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].report[3], 0x02);
}

TEST_F(SimFaults, TheAnswerToTheNthRequestComesLate) {
    for (bool mouse_fault : {true, false}) {
        if (mouse_fault) {
            mouse->delay_answer(1, 3000ms);
        } else {
            receiver.delay_answer(1, 3000ms);
        }
        auto start = std::chrono::steady_clock::now();
        Report answer = exchange(mouse_fault ? ping(1, 0x31) : register_read(0x00));
        EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms) << "3 s at a scale of 0.01";
        EXPECT_EQ(answer[2], mouse_fault ? 0x00 : rap::kReadShortRegister);
    }
}

TEST_F(SimFaults, OtherProgramsTrafficCarriesItsOwnSoftwareIdAndIsNotCounted) {
    mouse->drop_answer(1);
    std::size_t from = host.count();
    mouse->other_program_request({0x3, 0x0020, 1, {0x12, 0x34}});
    Report seen = wait_for(from, [](const Report& r) { return (r[3] & 0x0F) == 0x3; });
    EXPECT_EQ((Report(seen.begin(), seen.begin() + 6)),
              (Report{0x11, 0x01, 0x03, 0x13, 0x12, 0x34}));
    EXPECT_EQ(mouse->state().cookie, 0x1234);
    // The host's next request is still the first one counted: its answer is lost.
    auto got = run({ping(1, 0x41), ping(1, 0x42)}, ping_answer(0x42));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(ping_answer(0x42)(got[0].report));

    from = host.count();
    mouse->start_other_program({0x5, 0x1000, 0, {}}, 100ms);
    auto by_other = [](const Report& r) { return r[2] == 5 && (r[3] & 0x0F) == 0x5; };
    auto first = host.wait(from, by_other);
    ASSERT_TRUE(first);
    ASSERT_TRUE(host.wait(*first + 1, by_other)) << "repeated";
    mouse->stop_other_program();
}

TEST_F(SimFaults, AnotherProgramOverwritesRegisterZero) {
    exchange(rap::short_report(rap::kOwnIndex, rap::kWriteShortRegister, 0x00, {0, 0x09, 0}));
    std::size_t from = host.count();
    receiver.overwrite_register_zero();
    EXPECT_EQ(wait_for(from, [](const Report& r) { return r[2] == rap::kWriteShortRegister; }),
              (Report{0x10, 0xFF, 0x80, 0x00, 0, 0, 0}));
    EXPECT_EQ(exchange(register_read(0x00)), (Report{0x10, 0xFF, 0x81, 0x00, 0, 0, 0}));
}

class SimDfuFaults : public test::DfuTest {};

TEST_F(SimDfuFaults, TheLinkDropsDuringTheTransfer) {
    auto image = test::dfu_image(Image::Application, 21);
    mouse->drop_link_at_dfu_packet(3, 1000ms);
    ASSERT_EQ(send_image(image, 2), DfuTransfer::kPacketAccepted);
    std::size_t from = host.count();
    auto third = test::packet(image, 3);
    write(test::request(1, test::kDfuIndex, 3, {third.begin(), third.end()}));
    wait_for_restart(from); // down and up again; the bootloader kept its place
    EXPECT_EQ(mouse->state().restarts, 1);
    for (uint32_t n = 3; n <= 21; ++n) {
        EXPECT_EQ(test::status_packet(send_packet(image, n)), n);
    }
    EXPECT_EQ(mouse->state().application_image, image);
    std::size_t answers_to_3 = 0;
    for (const auto& r : host.since(from)) {
        answers_to_3 += r.report[2] == test::kDfuIndex && (r.report[3] & 0x0F) == test::kSwid &&
                        test::status_packet(r.report) == 3;
    }
    EXPECT_EQ(answers_to_3, 1u) << "the packet that met the drop was never answered";
}

TEST_F(SimDfuFaults, ABadStatusAtPacketN) {
    auto image = test::dfu_image(Image::RadioStack, 21);
    mouse->fail_dfu_packet(2, 0x07);
    start(image);
    ASSERT_EQ(test::status_code(send_packet(image, 1)), DfuTransfer::kPacketAccepted);
    Report refused = send_packet(image, 2);
    EXPECT_EQ(test::status_packet(refused), 2u);
    EXPECT_EQ(test::status_code(refused), 0x07);
    for (uint32_t n = 2; n <= 21; ++n) {
        send_packet(image, n); // the same packet again goes through
    }
    EXPECT_EQ(mouse->state().radio_stack_image, image);
}

TEST_F(SimDfuFaults, TheBootloaderComesBackOnlyAfterAForcedArrival) {
    mouse->hide_bootloader_return(true);
    ASSERT_EQ(send_image(test::dfu_image(Image::RadioStack, 21)), DfuTransfer::kRadioStackComplete);
    std::size_t from = host.count();
    exchange(test::request(1, test::kDfuIndex, 5, {1}));
    auto down = host.wait(from, test::connection_of(1));
    ASSERT_TRUE(down);
    ASSERT_TRUE(devio::test::wait_for([&] { return mouse->state().link_established; }));
    // Back, but not announced: the first connection notification after the drop is the one
    // that the forced arrival brings, ahead of the register's answer.
    exchange(rap::short_report(rap::kOwnIndex, rap::kWriteShortRegister, 0x02, {0x02}));
    auto announced = host.wait(*down + 1, test::connection_of(1));
    ASSERT_TRUE(announced);
    auto later = host.since(*announced);
    ASSERT_EQ(later.size(), 2u);
    EXPECT_EQ(later[0].report[4], 0x00) << "link established";
    EXPECT_EQ(later[1].report, (Report{0x10, 0xFF, 0x80, 0x02, 0, 0, 0}));
}

} // namespace
} // namespace devio::sim

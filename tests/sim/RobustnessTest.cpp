#include <random>

#include <gtest/gtest.h>

#include "SimHarness.h"
#include "support/WaitFor.h"

namespace devio::sim {
namespace {

using SimRobustness = test::SimTest;

// Random reports of the right lengths, aimed mostly at the receiver and at the mouse's features,
// in the application and in the bootloader: the devices answer or stay silent, and keep working.
TEST_F(SimRobustness, RandomReportsNeverBreakTheDevices) {
    std::mt19937 random(20261210);
    auto byte = [&] { return static_cast<Byte>(random()); };
    for (int round = 0; round < 4000; ++round) {
        if (round == 2000) { // the second half goes to the bootloader
            write(test::request(1, 4, 1, {1, 0, 0, 0, 'D', 'F', 'U'}));
            ASSERT_TRUE(devio::test::wait_for([&] {
                auto state = mouse->state();
                return state.running == Firmware::Bootloader && state.link_established;
            }));
        }
        bool is_long = (random() & 1) != 0;
        Report report(is_long ? rap::kLongReportLength : rap::kShortReportLength);
        for (auto& b : report) {
            b = byte();
        }
        report[0] = is_long ? rap::kLongReportId : rap::kShortReportId;
        switch (random() % 4) {
        case 0:
            report[1] = rap::kOwnIndex;
            report[2] = static_cast<Byte>(0x80 | (report[2] & 0x0F));
            break;
        case 1:
        case 2:
            report[1] = test::kMouseIndex;
            report[2] %= 10;
            break;
        default:
            break;
        }
        write(report);
    }
    Report answer = exchange(rap::short_report(rap::kOwnIndex, rap::kReadShortRegister, 0x02));
    EXPECT_EQ(answer[2], rap::kReadShortRegister);
    EXPECT_GT(mouse->state().commands, 2000u);
}

} // namespace
} // namespace devio::sim

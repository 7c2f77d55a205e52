#include "MouseDfu.h"

#include <gtest/gtest.h>

#include "support/WaitFor.h"

namespace devio::sim {
namespace {

using Image = DfuTransfer::Image;
using SimDfu = test::DfuTest;

TEST_F(SimDfu, TakesBothImagesByteExactAndRestartsIntoTheNewFirmware) {
    auto radio_stack = test::dfu_image(Image::RadioStack, 27);
    auto application = test::dfu_image(Image::Application, 21);

    // After each complete image the mouse restarts by itself.
    std::size_t from = host.count();
    EXPECT_EQ(send_image(radio_stack), DfuTransfer::kRadioStackComplete);
    wait_for_restart(from);
    auto state = mouse->state();
    EXPECT_EQ(state.running_prefix, "BOT") << "after the radio stack the bootloader comes back";
    EXPECT_EQ(state.radio_stack_image, radio_stack);
    EXPECT_TRUE(state.radio_stack_image_complete);
    EXPECT_TRUE(state.radio_stack_updated);

    from = host.count();
    EXPECT_EQ(send_image(application), DfuTransfer::kApplicationComplete);
    wait_for_restart(from);
    state = mouse->state();
    EXPECT_EQ(state.application_image, application);
    EXPECT_TRUE(state.application_image_complete);
    EXPECT_EQ(state.running_prefix, "QRT");
    EXPECT_EQ(state.running_version, "8.6.28");
    EXPECT_EQ(state.restarts, 3);
    // The new firmware describes itself, and asks for its settings like after any restart.
    Report info = exchange(test::request(1, 2, 1, {0}));
    EXPECT_EQ((Report(info.begin() + 4, info.begin() + 13)),
              (Report{0, 'Q', 'R', 'T', 0x08, 0x06, 0x00, 0x28, 1}));
    Report status_event = wait_for(from, [](const Report& r) { return r[2] == 6; });
    EXPECT_EQ(status_event[5], 1) << "settings needed";
}

// Both orders of the restart after a complete image: DFURestart right behind the last packet
// (before the mouse restarts by itself) makes one restart, not two; a mouse switched to wait for
// the request restarts only on it.
TEST_F(SimDfu, ACompleteImageRestartsOnceWhetherTheRequestComesFirstOrIsAwaited) {
    for (bool waits : {false, true}) {
        SCOPED_TRACE(waits);
        mouse->wait_for_restart_request(waits);
        auto image = test::dfu_image(Image::RadioStack, 21);
        uint32_t packets = static_cast<uint32_t>(image.size() / 16) - 1;
        send_image(image, packets - 1);
        int restarts = mouse->state().restarts;
        // Unscaled, so that the request is surely there within the mouse's own restart delay.
        sys::Clock::set_time_scale(1);
        std::size_t from = host.count();
        auto last = test::packet(image, packets);
        write(test::request(test::kMouseIndex, test::kDfuIndex, static_cast<Byte>(packets % 4),
                            {last.begin(), last.end()}));
        write(test::request(test::kMouseIndex, test::kDfuIndex, 5, {1}));
        Report answer = wait_for(from, [](const Report& r) {
            return r[2] == test::kDfuIndex && (r[3] >> 4) == 5;
        });
        EXPECT_EQ(answer[4], 1) << "DFURestart answered";
        wait_for_restart(from);
        sys::Clock::set_time_scale(0.01);
        // The restart of its own, had it not been dropped, would have come before this one ended.
        EXPECT_EQ(mouse->state().restarts, restarts + 1);
        EXPECT_EQ(mouse->state().running_prefix, "BOT");
    }
}

TEST_F(SimDfu, AnUpdateCutShortKeepsTheMouseInItsBootloader) {
    auto application = test::dfu_image(Image::Application, 21);
    send_image(application, 5);
    restart();
    EXPECT_EQ(mouse->state().running_prefix, "BOT");
    mouse->set_power(false);
    mouse->set_power(true);
    ASSERT_TRUE(devio::test::wait_for([&] { return mouse->state().link_established; }));
    auto state = mouse->state();
    EXPECT_EQ(state.running_prefix, "BOT");
    EXPECT_FALSE(state.application_installed);
    EXPECT_EQ(state.application_version, "8.6.27");
}

TEST_F(SimDfu, RefusesPacketsItCannotTake) {
    auto image = test::dfu_image(Image::RadioStack, 21);
    start(image);
    Report skipped = send_packet(image, 2);
    EXPECT_EQ(test::status_code(skipped), DfuTransfer::kWrongSequence);
    EXPECT_EQ(test::status_packet(skipped), 0u);
    // A packet must fill a long report.
    EXPECT_EQ(exchange(test::request(1, test::kDfuIndex, 1, {1, 2, 3})),
              (Report{0x10, 0x01, 0xFF, test::kDfuIndex, 0x11, 0x02, 0}));
    EXPECT_EQ(exchange(test::request(1, test::kDfuIndex, 5, {7})),
              (Report{0x10, 0x01, 0xFF, test::kDfuIndex, 0x51, 0x02, 0}))
        << "DFURestart takes only 1";
    EXPECT_EQ(test::status_code(send_packet(image, 1)), DfuTransfer::kPacketAccepted);
}

} // namespace
} // namespace devio::sim

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

    EXPECT_EQ(send_image(radio_stack), DfuTransfer::kRadioStackComplete);
    restart();
    auto state = mouse->state();
    EXPECT_EQ(state.running_prefix, "BOT") << "after the radio stack the bootloader comes back";
    EXPECT_EQ(state.radio_stack_image, radio_stack);
    EXPECT_TRUE(state.radio_stack_image_complete);
    EXPECT_TRUE(state.radio_stack_updated);

    EXPECT_EQ(send_image(application), DfuTransfer::kApplicationComplete);
    std::size_t from = host.count();
    restart();
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

#include "sim/DfuTransfer.h"

#include <gtest/gtest.h>

#include "DfuImage.h"

namespace devio::sim {
namespace {

using Image = DfuTransfer::Image;

class SimDfuTransfer : public ::testing::Test {
protected:
    DfuTransfer::Step send(const std::vector<Byte>& image, uint32_t number) {
        return transfer.packet(static_cast<Byte>(number % 4), test::packet(image, number));
    }
    // Start block and erase, ready for packet 1.
    void begin(const std::vector<Byte>& image) {
        ASSERT_EQ(transfer.start(test::packet(image, 0)).status, DfuTransfer::kBusy);
        transfer.erase_done();
    }

    DfuTransfer transfer;
};

TEST_F(SimDfuTransfer, TakesAnImageToTheLengthItsHeaderGives) {
    for (Image kind : {Image::RadioStack, Image::Application}) {
        auto image = test::dfu_image(kind, 20);
        begin(image);
        for (uint32_t n = 1; n < 20; ++n) {
            auto step = send(image, n);
            EXPECT_EQ(step.status, DfuTransfer::kPacketAccepted) << n;
            EXPECT_EQ(step.packet, n);
            EXPECT_FALSE(step.finished);
        }
        auto last = send(image, 20);
        EXPECT_EQ(last.status, kind == Image::Application ? DfuTransfer::kApplicationComplete
                                                          : DfuTransfer::kRadioStackComplete);
        EXPECT_TRUE(last.finished);
        EXPECT_EQ(transfer.received(kind), image);
        EXPECT_TRUE(transfer.complete(kind));
    }
}

TEST_F(SimDfuTransfer, NeverTakesAPacketAtTheWrongOffset) {
    auto image = test::dfu_image(Image::RadioStack, 20);
    EXPECT_EQ(send(image, 1).status, DfuTransfer::kWrongSequence); // no start yet
    ASSERT_EQ(transfer.start(test::packet(image, 0)).status, DfuTransfer::kBusy);
    EXPECT_EQ(send(image, 1).status, DfuTransfer::kBusy); // still erasing
    transfer.erase_done();
    ASSERT_EQ(send(image, 1).status, DfuTransfer::kPacketAccepted);
    ASSERT_EQ(send(image, 2).status, DfuTransfer::kPacketAccepted);

    EXPECT_EQ(send(image, 4).status, DfuTransfer::kWrongSequence); // packet 3 skipped
    auto repeat = send(image, 2); // its answer was lost: confirmed again, not stored twice
    EXPECT_EQ(repeat.status, DfuTransfer::kPacketAccepted);
    EXPECT_EQ(repeat.packet, 2u);
    // Same function number as packet 2 but other bytes: a stale packet, refused.
    EXPECT_EQ(transfer.packet(2, test::packet(image, 6)).status, DfuTransfer::kWrongSequence);
    EXPECT_EQ(transfer.received(Image::RadioStack),
              std::vector<Byte>(image.begin(), image.begin() + 48));
    EXPECT_EQ(transfer.next_packet(), 3u);
}

TEST_F(SimDfuTransfer, ANewStartBeginsTheImageAgain) {
    auto image = test::dfu_image(Image::Application, 20);
    begin(image);
    ASSERT_EQ(send(image, 1).status, DfuTransfer::kPacketAccepted);
    ASSERT_EQ(send(image, 2).status, DfuTransfer::kPacketAccepted);
    begin(image);
    EXPECT_EQ(transfer.received(Image::Application).size(), 16u);
    for (uint32_t n = 1; n <= 20; ++n) {
        send(image, n);
    }
    EXPECT_EQ(transfer.received(Image::Application), image);
}

TEST_F(SimDfuTransfer, RefusesABadStartBlockOrLength) {
    auto image = test::dfu_image(Image::Application, 20);
    image[0] = 0x07;
    EXPECT_EQ(transfer.start(test::packet(image, 0)).status, DfuTransfer::kBadStartBlock);

    for (uint32_t stored : {0x00100000u, 0xFFFFFFFFu}) { // more than the flash takes
        auto bad = test::dfu_image(Image::Application, 20);
        test::set_length_field(bad, stored);
        begin(bad);
        EXPECT_EQ(send(bad, 1).status, DfuTransfer::kBadLength) << stored;
        EXPECT_EQ(send(bad, 2).status, DfuTransfer::kWrongSequence) << "the transfer is over";
    }
}

TEST_F(SimDfuTransfer, ARestartEndsTheTransferButKeepsWhatArrived) {
    auto image = test::dfu_image(Image::RadioStack, 20);
    begin(image);
    ASSERT_EQ(send(image, 1).status, DfuTransfer::kPacketAccepted);
    transfer.end_session();
    EXPECT_EQ(send(image, 2).status, DfuTransfer::kWrongSequence);
    EXPECT_EQ(transfer.received(Image::RadioStack).size(), 32u);
    EXPECT_FALSE(transfer.complete(Image::RadioStack));
}

} // namespace
} // namespace devio::sim

// The DFU transfer feature 0x00D0 on a fake hardware device: its framing of blocks and statuses.
#include <gtest/gtest.h>

#include "Source/Features/IFeature00d0DFU.h"
#include "support/DeviceHarness.h"
#include "support/LogLines.h"
#include "support/RunLoopPump.h"

namespace devio::test {
namespace {

using Answer = FakeHardwareDevice::Answer;

constexpr Byte kIndex = 0x03;

struct Status {
    uint32_t packet;
    std::vector<Byte> bytes;
    bool operator==(const Status&) const = default;
};

// Collects onDfuStatus, on whichever thread it comes.
class Statuses : public Subscriber<IFeature00d0DFU::Report> {
public:
    Statuses(std::shared_ptr<IFeature00d0DFU> feature, int delivery)
        : feature_(std::move(feature)) {
        subscribe(feature_, delivery, "Statuses");
    }
    ~Statuses() override { unsubscribe(feature_); }
    std::vector<Status> received() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

private:
    void onDfuStatus(uint32_t packet, const std::vector<Byte>& status) override {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.push_back({packet, status});
    }
    std::shared_ptr<IFeature00d0DFU> feature_;
    mutable std::mutex mutex_;
    std::vector<Status> received_;
};

std::vector<Byte> block(Byte fill) {
    return std::vector<Byte>(16, fill);
}

// A status block of a long answer: packet number, status, then zeros.
std::vector<Byte> status_block(uint32_t packet, Byte code) {
    std::vector<Byte> bytes(16, 0);
    bytes[2] = static_cast<Byte>(packet >> 8);
    bytes[3] = static_cast<Byte>(packet);
    bytes[4] = code;
    return bytes;
}

class FeatureDfu : public ::testing::Test {
protected:
    FeatureDfu() {
        h.make_feature_based();
        h.add_feature(IFeature00d0DFU::kFeatureNumber, kIndex);
        dfu = h.device->feature<IFeature00d0DFU>();
    }
    // A notification of the feature: function 0, software id 0.
    void notify(std::vector<Byte> parameters) {
        rap::Report report{static_cast<Byte>(parameters.size() > 3 ? 0x11 : 0x10), 0xFF, kIndex,
                           0x00};
        report.insert(report.end(), parameters.begin(), parameters.end());
        h.hardware->deliver(report);
        h.hardware->wait_idle();
    }

    DeviceHarness h;
    std::shared_ptr<IFeature00d0DFU> dfu;
};

TEST_F(FeatureDfu, APacketGoesWithTheFunctionOfItsNumberAndItsAnswerIsPublished) {
    struct Case {
        unsigned confirmed;
        unsigned function;
    };
    Statuses statuses(dfu, DeliverDirect);
    for (Case c : {Case{0, 1}, Case{3, 0}, Case{4, 1}}) {
        SCOPED_TRACE(testing::Message() << "after packet " << c.confirmed);
        std::vector<Byte> answer = status_block(c.confirmed + 1, 1);
        h.hardware->answer(kIndex, c.function, {Answer::with(answer)});
        sys::DebugOutputCapture capture;
        ASSERT_TRUE(dfu->DFUSendPacket(c.confirmed, block(0xA5)));
        rap::Report written = h.hardware->writes().back().report;
        EXPECT_EQ(written[3] >> 4, c.function);
        EXPECT_EQ(std::vector<Byte>(written.begin() + 4, written.end()), block(0xA5));
        EXPECT_EQ(statuses.received().back(), (Status{c.confirmed + 1, answer}));
        // The log prints the function's name apart from the text that repeats it.
        char line[64];
        std::snprintf(line, sizeof line, "Feature00d0DFU::DFUSendPacket :Sending packet : 0x%04x",
                      c.confirmed + 1);
        EXPECT_TRUE(capture.contains(line));
    }
    EXPECT_EQ(statuses.received().size(), 3u);
}

TEST_F(FeatureDfu, RunLoopSubscribersGetAStatusOnlyWhenTheRunLoopIsServed) {
    RunLoopPump pump;
    Statuses statuses(dfu, DeliverViaRunLoop);
    h.hardware->answer(kIndex, 1, {Answer::with(status_block(1, 1))});
    ASSERT_TRUE(dfu->DFUSendPacket(0, block(0x01)));
    EXPECT_TRUE(statuses.received().empty());
    ASSERT_TRUE(pump.run_one());
    EXPECT_EQ(statuses.received(), (std::vector<Status>{{1, status_block(1, 1)}}));
}

TEST_F(FeatureDfu, TheStartBlockReturnsItsStatusAndPublishesNothing) {
    Statuses statuses(dfu, DeliverDirect);
    std::vector<Byte> answer = status_block(0, 2);
    answer[5] = 0x77;
    h.hardware->answer(kIndex, 4, {Answer::with(answer)});
    unsigned status = 0;
    std::vector<Byte> response;
    ASSERT_TRUE(dfu->DFUStart(block(0x02), status, &response));
    EXPECT_EQ(status, 2u);
    EXPECT_FALSE(IFeature00d0DFU::IsDfuError(status));
    EXPECT_EQ(response, answer);
    EXPECT_EQ(
        h.hardware->writes().back().report,
        (rap::Report{0x11, 0xFF, kIndex, 0x4C, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}));
    EXPECT_TRUE(statuses.received().empty());
    EXPECT_TRUE(dfu->DFUStart(block(0x02), status, nullptr)) << "the response may be left out";
}

TEST_F(FeatureDfu, FailuresPublishNothingAndLeaveTheResultsAlone) {
    struct Case {
        const char* what;
        std::vector<Byte> block;
        Answer answer;
        ErrorCode code;
        std::size_t writes;
    };
    const Case cases[] = {
        {"a short answer", block(1), Answer::with({0, 0, 1}), ErrorCode::CommandResponseTooShort,
         1},
        {"an error answer", block(1), Answer::rap20_error(4), rap20_error(4), 1},
        {"a block of 15 bytes", std::vector<Byte>(15, 1), Answer::with(status_block(1, 1)),
         rap20_error(2), 0},
        {"a block of 17 bytes", std::vector<Byte>(17, 1), Answer::with(status_block(1, 1)),
         rap20_error(2), 0},
    };
    Statuses statuses(dfu, DeliverDirect);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        h.hardware->answer(kIndex, 1, {c.answer});
        h.hardware->answer(kIndex, 4, {c.answer});
        std::size_t before = h.hardware->write_count();
        EXPECT_FALSE(dfu->DFUSendPacket(0, c.block));
        EXPECT_EQ(last_error().code, c.code);
        unsigned status = 99;
        std::vector<Byte> response{0xEE};
        EXPECT_FALSE(dfu->DFUStart(c.block, status, &response));
        EXPECT_EQ(last_error().code, c.code);
        EXPECT_EQ(status, 99u);
        EXPECT_EQ(response, std::vector<Byte>{0xEE});
        EXPECT_EQ(h.hardware->write_count(), before + 2 * c.writes);
    }
    EXPECT_TRUE(statuses.received().empty());
}

TEST_F(FeatureDfu, ANotificationIsPublishedWithThePacketNumberOfBytes2And3) {
    Statuses statuses(dfu, DeliverDirect);
    notify({0x00, 0x00, 0x01, 0x2C, 0x01});
    notify({0x12, 0x34, 0x00, 0x05, 0x01});
    notify({0x00, 0x00, 0x07}); // a short report cannot hold a packet number
    std::vector<Status> received = statuses.received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].packet, 300u);
    EXPECT_EQ(received[1].packet, 5u);
    EXPECT_EQ(received[1].bytes, (std::vector<Byte>{0x12, 0x34, 0x00, 0x05, 0x01}))
        << "every parameter byte is passed on";
    EXPECT_EQ(IFeature00d0DFU::status_code(received[1].bytes), 1u);
}

TEST_F(FeatureDfu, TheRestartCarriesItsParameter) {
    h.hardware->answer(kIndex, 5, {Answer::with({0x01})});
    ASSERT_TRUE(dfu->DFURestart(1));
    EXPECT_EQ(h.hardware->writes().back().report, (rap::Report{0x10, 0xFF, kIndex, 0x5C, 0x01}));
}

TEST(FeatureDfuStatusBlock, ReadingAShortBlockGivesNoStatus) {
    EXPECT_EQ(IFeature00d0DFU::status_packet_number({0, 0, 1}), 0u);
    EXPECT_EQ(IFeature00d0DFU::status_code({0, 0, 1, 2}), 0u);
    EXPECT_EQ(IFeature00d0DFU::status_packet_number({0, 0, 1, 2}), 0x0102u);
    EXPECT_TRUE(IFeature00d0DFU::IsDfuError(4));
    EXPECT_FALSE(IFeature00d0DFU::IsDfuError(3));
}

} // namespace
} // namespace devio::test

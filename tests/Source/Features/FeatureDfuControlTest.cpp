// The DFU control features 0x00C0, 0x00C1 and 0x00C2 on a fake hardware device.
#include <gtest/gtest.h>

#include "Source/Features/IFeature00c0DFUControl.h"
#include "Source/Features/IFeature00c1DFUControl.h"
#include "Source/Features/IFeature00c2DFUControl.h"
#include "Source/Features/IFeature00d0DFU.h"
#include "Source/Features/IFeature8100OnboardProfiles.h"
#include "support/DeviceHarness.h"
#include "support/LogLines.h"
#include "support/RunLoopPump.h"

namespace devio::test {
namespace {

using Answer = FakeHardwareDevice::Answer;

constexpr Byte kIndex = 0x04;
constexpr Byte kOtherProgram = 0x3;
// Function byte of our requests: function in the high nibble, the harness's software id 12.
constexpr Byte function_byte(unsigned function) {
    return static_cast<Byte>(function << 4 | DeviceHarness::kSoftwareId);
}

class FeatureDfuControl : public ::testing::Test {
protected:
    FeatureDfuControl() { h.make_feature_based(); }

    template <class I>
    std::shared_ptr<I> feature() {
        h.add_feature(I::kFeatureNumber, kIndex);
        return h.device->feature<I>();
    }
    rap::Report last_write() const { return h.hardware->writes().back().report; }
    // Another program's answer to `function` of the feature, as the device sends it to everybody.
    void other_program_answer(unsigned function, std::vector<Byte> parameters) {
        rap::Report report{0x11, 0xFF, kIndex, static_cast<Byte>(function << 4 | kOtherProgram)};
        parameters.resize(16, 0);
        report.insert(report.end(), parameters.begin(), parameters.end());
        h.hardware->deliver(report);
        h.hardware->wait_idle();
    }

    DeviceHarness h;
};

TEST_F(FeatureDfuControl, EveryDfuFeatureIsMadeWithItsOwnInterface) {
    std::shared_ptr<Feature> c0 = h.add_feature(0x00C0, 1);
    h.add_feature(0x00C1, 2);
    h.add_feature(0x00C2, 3);
    h.add_feature(0x00D0, 4);
    h.add_feature(0x8100, 5);
    EXPECT_EQ(h.device->feature<IFeature00c0DFUControl>(),
              std::dynamic_pointer_cast<IFeature00c0DFUControl>(c0));
    EXPECT_NE(h.device->feature<IFeature00c0DFUControl>(), nullptr);
    EXPECT_NE(h.device->feature<IFeature00c1DFUControl>(), nullptr);
    EXPECT_NE(h.device->feature<IFeature00c2DFUControl>(), nullptr);
    EXPECT_NE(h.device->feature<IFeature00d0DFU>(), nullptr);
    EXPECT_NE(h.device->feature<IFeature8100OnboardProfiles>(), nullptr);
}

TEST_F(FeatureDfuControl, EnteringDfuOn00c2IsWrittenAsALongReportWithoutWaiting) {
    h.hardware->go_silent(); // the device restarts instead of answering
    auto control = feature<IFeature00c2DFUControl>();
    ASSERT_TRUE(control->SetDfuControl(1, 0));
    ASSERT_EQ(h.hardware->write_count(), 1u);
    EXPECT_EQ(last_write(), (rap::Report{0x11, 0xFF, kIndex, function_byte(1), 0x01, 0x00, 0x00,
                                         0x00, 0x44, 0x46, 0x55}));
}

TEST_F(FeatureDfuControl, TheEnterCommandsOfTheOlderGenerationsWaitForTheirAnswer) {
    h.hardware->answer(kIndex, 0, {Answer::with({})});
    ASSERT_TRUE(feature<IFeature00c0DFUControl>()->EnterDfu());
    EXPECT_EQ(last_write(), (rap::Report{0x10, 0xFF, kIndex, function_byte(0), 0x44, 0x46, 0x55}));

    h.hardware->answer(kIndex, 1, {Answer::with({}), Answer::rap20_error(5)});
    auto c1 = feature<IFeature00c1DFUControl>();
    ASSERT_TRUE(c1->SetDfuControl(0x01, 0x02, 0x03, 0x04));
    EXPECT_EQ(last_write(), (rap::Report{0x11, 0xFF, kIndex, function_byte(1), 0x01, 0x02, 0x03,
                                         0x04, 0x44, 0x46, 0x55}));
    EXPECT_FALSE(c1->SetDfuControl(0x01, 0x02, 0x03, 0x04));
    EXPECT_EQ(last_error().code, rap20_error(5)) << "the engine's reason stands";
}

TEST_F(FeatureDfuControl, TheControlStateIsReadFromItsOwnByte) {
    auto c2 = feature<IFeature00c2DFUControl>();
    h.hardware->answer(kIndex, 0,
                       {Answer::with({0xAA, 0xAA, 0x03}), Answer::with({0xFF, 0xFF, 0x02}),
                        Answer::rap20_error(2)});
    bool enabled = false;
    ASSERT_TRUE(c2->GetDfuControl(enabled));
    EXPECT_TRUE(enabled);
    ASSERT_TRUE(c2->GetDfuControl(enabled));
    EXPECT_FALSE(enabled);
    enabled = true;
    EXPECT_FALSE(c2->GetDfuControl(enabled));
    EXPECT_TRUE(enabled) << "unchanged on failure";
    EXPECT_EQ(last_error().code, ErrorCode::GeneralFailure);
    EXPECT_EQ(last_error().syserr, to_underlying(rap20_error(2))) << "the reason is kept";

    h.hardware->fail_writes(ErrorCode::WriteError);
    EXPECT_FALSE(c2->SetDfuControl(1, 0));
    EXPECT_EQ(last_error().code, ErrorCode::GeneralFailure);
}

TEST_F(FeatureDfuControl, The00c1ValueIsTheSecondByteOfTheAnswer) {
    auto c1 = feature<IFeature00c1DFUControl>();
    h.hardware->answer(kIndex, 0, {Answer::with({0x11, 0x22, 0x33})});
    int value = 0;
    ASSERT_TRUE(c1->GetDfuControl(value));
    EXPECT_EQ(value, 0x22);
}

// Collects ConfigReport events, on whichever thread they come.
class ConfigReports : public Subscriber<IFeature00c0DFUControl::ConfigReport> {
public:
    ConfigReports(std::shared_ptr<IFeature00c0DFUControl> feature, int delivery)
        : feature_(std::move(feature)) {
        subscribe(feature_, delivery, "ConfigReports");
    }
    ~ConfigReports() override { unsubscribe(feature_); }
    std::vector<std::pair<unsigned, uint16_t>> received; // read after the delivery has ended

private:
    void onConfigReport(unsigned software_id, uint16_t value) override {
        received.emplace_back(software_id, value);
    }
    std::shared_ptr<IFeature00c0DFUControl> feature_;
};

TEST_F(FeatureDfuControl, AnotherProgramsConfigAnswerOn00c0ReachesTheDirectSubscribersOnly) {
    RunLoopPump pump;
    auto c0 = feature<IFeature00c0DFUControl>();
    ConfigReports first(c0, DeliverDirect);
    ConfigReports second(c0, DeliverDirect);
    ConfigReports queued(c0, DeliverViaRunLoop);
    sys::DebugOutputCapture capture;

    other_program_answer(1, {0x12, 0x34});
    other_program_answer(2, {0x56, 0x78}); // another function: only logged
    using Received = std::vector<std::pair<unsigned, uint16_t>>;
    EXPECT_EQ(first.received, (Received{{kOtherProgram, 0x1234}}));
    EXPECT_EQ(second.received, first.received);
    pump.drain();
    EXPECT_TRUE(queued.received.empty());
    EXPECT_EQ(
        count_lines(capture, "Feature00c0DFUControl::onUnexpectedResponse (func=1, swid=0x3)"), 1);
    EXPECT_EQ(
        count_lines(capture, "Feature00c0DFUControl::onUnexpectedResponse (func=2, swid=0x3)"), 1);
}

TEST_F(FeatureDfuControl, TheLaterGenerationsOnlyLogAnotherProgramsAnswers) {
    struct Case {
        int number;
        const char* line;
    };
    for (const Case& c :
         {Case{0x00C1, "Feature00c1DFUControl::onUnexpectedResponse (func=1, swid=0x3)"},
          Case{0x00C2, "Feature00c2DFUControl::onUnexpectedResponse (func=1, swid=0x3)"}}) {
        SCOPED_TRACE(c.line);
        h.add_feature(c.number, kIndex);
        sys::DebugOutputCapture capture;
        other_program_answer(1, {0x12, 0x34});
        EXPECT_EQ(count_lines(capture, c.line), 1);
    }
}

} // namespace
} // namespace devio::test

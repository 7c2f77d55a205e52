#include <typeinfo>

#include <gtest/gtest.h>

#include "Source/Rap/FeatureRegistration.h"
#include "support/DeviceHarness.h"
#include "support/RunLoopPump.h"

namespace devio::test {
namespace {

using Answer = FakeHardwareDevice::Answer;

constexpr Byte kAlphaIndex = 0x04;

// A feature class of this test program, registered like the library's own.
class IFeatureTestAlpha {
public:
    static constexpr int kFeatureNumber = 0x7A01;
    virtual ~IFeatureTestAlpha() = default;
};

// An interface whose number is known to the device, but as a plain feature.
class IFeatureTestBeta {
public:
    static constexpr int kFeatureNumber = 0x7A02;
    virtual ~IFeatureTestBeta() = default;
};

class IFeatureTestGamma {
public:
    static constexpr int kFeatureNumber = 0x7A04;
    virtual ~IFeatureTestGamma() = default;
};

// Registered with an empty creator.
constexpr int kEmptyCreatorNumber = 0x7A03;

class Feature7A01TestAlpha : public Feature, public IFeatureTestAlpha {
public:
    Feature7A01TestAlpha(Byte index, std::weak_ptr<Device> device)
        : Feature(kFeatureNumber, index, std::move(device)) {}

    std::vector<int> event_functions;
    std::vector<unsigned> response_software_ids;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& /*parameters*/) override {
        event_functions.push_back(function);
    }
    void onUnexpectedResponse(unsigned /*function*/, unsigned software_id,
                              const std::vector<Byte>& /*parameters*/) override {
        response_software_ids.push_back(software_id);
    }
};

const bool empty_creator_registered = FeatureFactory::register_creator(kEmptyCreatorNumber, {});

} // namespace
} // namespace devio::test

DEVIO_FEATURE_MODULE(::devio::test::Feature7A01TestAlpha, 7A01, 0x7A01)

namespace devio::test {
namespace {

bool is_plain(const Feature& feature) {
    return typeid(feature) == typeid(Feature);
}

TEST(FeatureFactory, EveryRegisteredNumberYieldsItsOwnClass) {
    ASSERT_TRUE(empty_creator_registered);
    std::vector<int> numbers = FeatureFactory::registered_numbers();
    ASSERT_NE(std::find(numbers.begin(), numbers.end(), 0x7A01), numbers.end());
    for (int number : numbers) {
        SCOPED_TRACE(testing::Message() << std::hex << "feature 0x" << number);
        std::shared_ptr<Feature> feature = FeatureFactory::create(number, 3, {});
        ASSERT_NE(feature, nullptr);
        EXPECT_EQ(feature->featureID(), number);
        EXPECT_EQ(feature->featureIndex(), 3);
        EXPECT_EQ(feature->self(), feature);
        EXPECT_EQ(is_plain(*feature), number == kEmptyCreatorNumber);
    }
    EXPECT_NE(
        std::dynamic_pointer_cast<Feature7A01TestAlpha>(FeatureFactory::create(0x7A01, 3, {})),
        nullptr);
}

TEST(FeatureFactory, NumbersWithoutAClassYieldAPlainFeature) {
    for (int number : {0x7A02, kEmptyCreatorNumber}) {
        std::shared_ptr<Feature> feature = FeatureFactory::create(number, 9, {});
        EXPECT_TRUE(is_plain(*feature));
        EXPECT_EQ(feature->featureID(), number);
        EXPECT_FALSE(feature->obsolete() || feature->swHidden() || feature->engineeringHidden());
        EXPECT_EQ(feature->version(), 0);
    }
}

TEST(FeatureLookup, TheTypedLookupCastsOrSaysWhyNot) {
    DeviceHarness h;
    h.answer_root_without_features();
    std::shared_ptr<Feature> alpha = h.add_feature(0x7A01, kAlphaIndex);
    h.add_feature(0x7A02, 0x05);

    std::shared_ptr<IFeatureTestAlpha> typed = h.device->feature<IFeatureTestAlpha>();
    EXPECT_EQ(dynamic_cast<Feature*>(typed.get()), alpha.get());

    set_last_error(ErrorCode::NoError);
    EXPECT_EQ(h.device->feature<IFeatureTestBeta>(), nullptr);
    EXPECT_EQ(last_error().code, ErrorCode::GeneralFailure);
    EXPECT_STREQ(last_error().message, "cannot cast feature to proper type");

    EXPECT_EQ(h.device->feature<IFeatureTestGamma>(), nullptr);
    EXPECT_EQ(last_error().code, ErrorCode::NotPresent);
}

TEST(FeatureCommand, ParametersChooseTheReportIdAndTheAnswerGivesBackItsParameters) {
    struct Case {
        std::size_t parameters;
        Byte report_id;
        std::size_t answer_parameters;
    };
    DeviceHarness h;
    h.make_feature_based();
    std::shared_ptr<Feature> alpha = h.add_feature(0x7A01, kAlphaIndex);
    for (const Case& c :
         {Case{0, 0x10, 3}, Case{3, 0x10, 3}, Case{4, 0x11, 16}, Case{16, 0x11, 16}}) {
        SCOPED_TRACE(testing::Message() << c.parameters << " parameter bytes");
        std::vector<Byte> answer(c.answer_parameters, 0x5A);
        h.hardware->answer(kAlphaIndex, 2, {Answer::with(answer)});
        std::vector<Byte> parameters(c.parameters, 0x01);
        std::vector<Byte> response{0xEE};
        ASSERT_TRUE(alpha->sendFeatureCommand(2, parameters, response, CacheMode::Uncached));
        EXPECT_EQ(response, answer);
        rap::Report written = h.hardware->writes().back().report;
        EXPECT_EQ(written.size(), 4 + c.parameters) << "commands are not lengthened";
        EXPECT_EQ(written[0], c.report_id);
        EXPECT_EQ(written[1], 0xFF);
        EXPECT_EQ(written[2], kAlphaIndex);
        EXPECT_EQ(written[3], 0x2C);
    }
}

TEST(FeatureCommand, AnAnswerMustBeLongEnoughAndMatchTheCommand) {
    struct Case {
        const char* what;
        rap::Report answer;
        ErrorCode expected;
    };
    const Case cases[] = {
        {"matching", {0x10, 0xFF, kAlphaIndex, 0x2C, 1, 2, 3}, ErrorCode::NoError},
        {"six bytes", {0x10, 0xFF, kAlphaIndex, 0x2C, 1, 2}, ErrorCode::CommandResponseTooShort},
        {"another software id",
         {0x10, 0xFF, kAlphaIndex, 0x23, 1, 2, 3},
         ErrorCode::GeneralFailure},
        {"another function", {0x10, 0xFF, kAlphaIndex, 0x3C, 1, 2, 3}, ErrorCode::GeneralFailure},
        {"another feature index", {0x10, 0xFF, 0x05, 0x2C, 1, 2, 3}, ErrorCode::GeneralFailure},
    };
    DeviceHarness h;
    auto device = std::make_shared<CannedDevice>(h.manager, h.hardware);
    auto alpha = FeatureFactory::create(0x7A01, kAlphaIndex, device);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        device->canned = c.answer;
        std::vector<Byte> response;
        bool sent = alpha->sendFeatureCommand(2, {}, response, CacheMode::Uncached);
        EXPECT_EQ(sent, c.expected == ErrorCode::NoError);
        if (sent) {
            EXPECT_EQ(response, (std::vector<Byte>{1, 2, 3}));
        } else {
            EXPECT_EQ(last_error().code, c.expected);
        }
        if (c.expected == ErrorCode::GeneralFailure) {
            EXPECT_STREQ(last_error().message, "response does not match command");
        }
    }
}

TEST(FeatureCommand, AFeatureReportIsWrittenWithoutWaiting) {
    DeviceHarness h;
    h.hardware->go_silent();
    std::shared_ptr<Feature> alpha = h.add_feature(0x7A01, kAlphaIndex);
    EXPECT_TRUE(alpha->sendFeatureReport(3, {0x01, 0x02}));
    ASSERT_EQ(h.hardware->write_count(), 1u);
    EXPECT_EQ(h.hardware->writes()[0].report, (rap::Report{0x10, 0xFF, kAlphaIndex, 0x3C, 1, 2}));
}

TEST(FeatureCommand, AFeatureOutlivingItsDeviceAnswersDeviceRemoved) {
    std::shared_ptr<Feature> alpha;
    {
        DeviceHarness h;
        alpha = h.add_feature(0x7A01, kAlphaIndex);
    }
    ASSERT_EQ(alpha->device(), nullptr);
    std::vector<Byte> response;
    EXPECT_FALSE(alpha->sendFeatureCommand(0, {}, response, CacheMode::Uncached));
    EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
    EXPECT_FALSE(alpha->sendFeatureReport(0, {}));
    EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
    EXPECT_FALSE(alpha->set_configured());
    EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
    EXPECT_FALSE(alpha->set_pending());
    EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
}

class ConfigChanges : public Subscriber<IDevice::ConfigChange> {
public:
    explicit ConfigChanges(const std::shared_ptr<IDevice>& device) {
        subscribe(device, DeliverDirect, "ConfigChanges");
    }
    int count = 0;

private:
    void onConfigChange() override { ++count; }
};

TEST(FeatureState, ConfiguredAndPendingAreAskedOfTheDeviceOnce) {
    DeviceHarness h;
    h.answer_root_without_features();
    ConfigChanges changes(h.device);
    std::shared_ptr<Feature> alpha = h.add_feature(0x7A01, kAlphaIndex);

    EXPECT_TRUE(alpha->set_configured());
    EXPECT_TRUE(alpha->set_configured());
    EXPECT_TRUE(alpha->configured());
    EXPECT_TRUE(h.device->configured());
    EXPECT_EQ(changes.count, 1);

    EXPECT_TRUE(alpha->set_pending());
    EXPECT_TRUE(alpha->pending());
    EXPECT_TRUE(h.device->pending());

    // While the device replays the feature's changes, new ones are refused.
    alpha->clear_pending();
    alpha->set_processing_pending(true);
    EXPECT_FALSE(alpha->set_pending());
    EXPECT_EQ(last_error().code, ErrorCode::FeatureChangePending);
    EXPECT_FALSE(alpha->pending());
}

TEST(FeatureState, EventsAndOtherProgramsResponsesReachTheFeaturesOwnHooks) {
    DeviceHarness h;
    h.make_feature_based();
    auto alpha =
        std::dynamic_pointer_cast<Feature7A01TestAlpha>(h.add_feature(0x7A01, kAlphaIndex));
    ASSERT_NE(alpha, nullptr);
    h.hardware->deliver({0x10, 0xFF, kAlphaIndex, 0x30, 0, 0, 0});
    h.hardware->deliver({0x10, 0xFF, kAlphaIndex, 0x57, 0, 0, 0});
    h.hardware->wait_idle();
    EXPECT_EQ(alpha->event_functions, std::vector<int>{3});
    EXPECT_EQ(alpha->response_software_ids, std::vector<unsigned>{7});
}

// A subscriber that takes the feature's events through the run loop.
class QueuedFeatureReports : public Subscriber<IFeature::FeatureReport> {
public:
    explicit QueuedFeatureReports(const std::shared_ptr<Feature>& feature) {
        subscribe(feature, DeliverViaRunLoop, "QueuedFeatureReports");
    }
    std::vector<std::vector<Byte>> events;

private:
    void onFeatureReport(int /*function*/, const std::vector<Byte>& parameters) override {
        events.push_back(parameters);
    }
};

TEST(FeatureState, RunLoopSubscribersGetTheEventsOnTheApplicationsThread) {
    DeviceHarness h;
    h.make_feature_based();
    QueuedFeatureReports queued(h.add_feature(0x7A01, kAlphaIndex));
    RunLoopPump pump;
    h.hardware->deliver({0x10, 0xFF, kAlphaIndex, 0x20, 0x0A, 0x0B, 0x0C});
    h.hardware->wait_idle();
    EXPECT_TRUE(queued.events.empty());
    pump.drain();
    EXPECT_EQ(queued.events, (std::vector<std::vector<Byte>>{{0x0A, 0x0B, 0x0C}}));
}

} // namespace
} // namespace devio::test

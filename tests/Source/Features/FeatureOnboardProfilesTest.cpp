// The on-board profiles feature 0x8100: its requests and decodings on a fake hardware device, the
// length checks of its answers, its events, and a sector written and read back on the virtual
// mouse.
#include <functional>

#include <gtest/gtest.h>

#include "Source/Features/Feature8100OnboardProfiles.h"
#include "sim/ProfileMemory.h"
#include "support/DeviceHarness.h"
#include "support/LogLines.h"
#include "support/SimDeviceHarness.h"

namespace devio::test {
namespace {

using Answer = FakeHardwareDevice::Answer;
using Profiles = IFeature8100OnboardProfiles;

constexpr Byte kIndex = 0x08;

std::vector<Byte> counting(std::size_t length) {
    std::vector<Byte> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<Byte>(i + 1);
    }
    return bytes;
}

class FeatureOnboardProfiles : public ::testing::Test {
protected:
    FeatureOnboardProfiles() {
        h.make_feature_based();
        h.add_feature(Profiles::kFeatureNumber, kIndex);
        profiles = h.device->feature<Profiles>();
    }
    // The parameters of the last request and its function.
    std::vector<Byte> sent_parameters() const {
        rap::Report report = h.hardware->writes().back().report;
        return {report.begin() + 4, report.end()};
    }
    unsigned sent_function() const { return h.hardware->writes().back().report[3] >> 4; }

    DeviceHarness h;
    std::shared_ptr<Profiles> profiles;
};

TEST_F(FeatureOnboardProfiles, EachOperationSendsItsFunctionWithBigEndianParameters) {
    struct Case {
        const char* what;
        std::function<bool(Profiles&)> call;
        unsigned function;
        std::vector<Byte> parameters;
    };
    std::vector<Byte> data;
    int number = 0;
    bool flag = false;
    OnboardProfilesInfo info;
    std::vector<Byte> fifteen = counting(15);
    std::vector<Byte> fifteen_padded = fifteen;
    fifteen_padded.push_back(0x00);
    const Case cases[] = {
        {"GetOnboardProfilesInfo",
         [&](Profiles& p) { return p.GetOnboardProfilesInfo(info); },
         0,
         {}},
        {"SetOnboardMode(true)", [](Profiles& p) { return p.SetOnboardMode(true); }, 1, {0x01}},
        {"SetOnboardMode(false)", [](Profiles& p) { return p.SetOnboardMode(false); }, 1, {0x02}},
        {"IsOnboardMode", [&](Profiles& p) { return p.IsOnboardMode(flag); }, 2, {}},
        {"SetActiveProfile", [](Profiles& p) { return p.SetActiveProfile(0x0102); }, 3, {1, 2}},
        {"GetActiveProfile", [&](Profiles& p) { return p.GetActiveProfile(number); }, 4, {}},
        {"ReadData",
         [&](Profiles& p) { return p.ReadData(1, 0x00F0, data); },
         5,
         {0x00, 0x01, 0x00, 0xF0}},
        {"BeginWrite",
         [](Profiles& p) { return p.BeginWrite(1, 0, 255); },
         6,
         {0x00, 0x01, 0x00, 0x00, 0x00, 0xFF}},
        {"WriteData", [&](Profiles& p) { return p.WriteData(fifteen, number); }, 7, fifteen_padded},
        {"EndWrite", [](Profiles& p) { return p.EndWrite(); }, 8, {}},
        {"ExecuteMacro",
         [](Profiles& p) { return p.ExecuteMacro(0x0102, 0x0304); },
         9,
         {1, 2, 3, 4}},
        {"GetCRC", [&](Profiles& p) { return p.GetCRC(0x0203, data); }, 10, {0x02, 0x03}},
        {"GetActiveProfileResolution",
         [&](Profiles& p) { return p.GetActiveProfileResolution(number); },
         11,
         {}},
        {"SetActiveProfileResolution",
         [](Profiles& p) { return p.SetActiveProfileResolution(4); },
         12,
         {0x04}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        h.hardware->answer(kIndex, c.function, {Answer::with(counting(16))});
        ASSERT_TRUE(c.call(*profiles));
        EXPECT_EQ(sent_function(), c.function);
        EXPECT_EQ(sent_parameters(), c.parameters);
    }
}

TEST_F(FeatureOnboardProfiles, AnswersAreDecodedFromTheirBytes) {
    struct Flags {
        Byte byte9;
        bool flagA;
        bool flagB;
    };
    for (Flags f : {Flags{0x0A, true, true}, Flags{0x05, false, false}, Flags{0x02, true, false},
                    Flags{0x0B, false, true}}) {
        SCOPED_TRACE(testing::Message() << "byte 9 = " << int(f.byte9));
        std::vector<Byte> answer{1, 2, 3, 4, 5, 6, 16, 0x01, 0x02, f.byte9};
        h.hardware->answer(kIndex, 0, {Answer::with(answer)});
        OnboardProfilesInfo info;
        ASSERT_TRUE(profiles->GetOnboardProfilesInfo(info));
        EXPECT_EQ(info.info, (std::array<int, 7>{1, 2, 3, 4, 5, 6, 16}));
        EXPECT_EQ(info.infoWord, 0x0102);
        EXPECT_EQ(info.flagA, f.flagA);
        EXPECT_EQ(info.flagB, f.flagB);
    }

    h.hardware->answer(kIndex, 2, {Answer::with({0x01}), Answer::with({0x02})});
    bool onboard = false;
    ASSERT_TRUE(profiles->IsOnboardMode(onboard));
    EXPECT_TRUE(onboard);
    ASSERT_TRUE(profiles->IsOnboardMode(onboard));
    EXPECT_FALSE(onboard);

    sys::DebugOutputCapture capture;
    h.hardware->answer(kIndex, 4, {Answer::with({0x01, 0x02})});
    int profile = 0;
    ASSERT_TRUE(profiles->GetActiveProfile(profile));
    EXPECT_EQ(profile, 0x0102);
    EXPECT_TRUE(capture.contains("Feature8100OnboardProfiles::GetActiveProfile returned 0x102"));

    h.hardware->answer(kIndex, 7, {Answer::with({0x00, 0x02})});
    int status = 0;
    ASSERT_TRUE(profiles->WriteData({0xAB}, status));
    EXPECT_EQ(status, 2);

    std::vector<Byte> block = counting(16);
    h.hardware->answer(kIndex, 5, {Answer::with(block)});
    std::vector<Byte> data;
    ASSERT_TRUE(profiles->ReadData(3, 32, data));
    EXPECT_EQ(data, block);
    EXPECT_TRUE(capture.contains(
        "Feature8100OnboardProfiles::ReadData read 16 bytes from sector 3 sectorAddr 32"));
}

TEST_F(FeatureOnboardProfiles, WriteDataRefusesAnEmptyOrOverlongBlockBeforeSending) {
    for (std::size_t length : {std::size_t{0}, std::size_t{17}}) {
        SCOPED_TRACE(testing::Message() << length << " bytes");
        sys::DebugOutputCapture capture;
        int status = 7;
        EXPECT_FALSE(profiles->WriteData(std::vector<Byte>(length, 1), status));
        EXPECT_EQ(status, 7);
        EXPECT_EQ(h.hardware->write_count(), 0u);
        EXPECT_TRUE(capture.contains("Feature8100OnboardProfiles::WriteData invalid parameter"));
    }
    h.hardware->answer(kIndex, 7, {Answer::with({0x00, 0x01})});
    int status = 0;
    EXPECT_TRUE(profiles->WriteData(counting(16), status)) << "a whole block is taken";
}

TEST_F(FeatureOnboardProfiles, AFailedCommandIsLoggedWithItsOperationAndKeepsItsReason) {
    h.hardware->answer(kIndex, 5, {Answer::rap20_error(3)});
    sys::DebugOutputCapture capture;
    std::vector<Byte> data{0xEE};
    EXPECT_FALSE(profiles->ReadData(1, 0, data));
    EXPECT_EQ(last_error().code, rap20_error(3));
    EXPECT_EQ(data, std::vector<Byte>{0xEE});
    EXPECT_TRUE(capture.contains("Feature8100OnboardProfiles::ReadData failed"));
}

// A feature whose every command is answered with a fixed number of parameter bytes, shorter than
// a real report can carry.
class ShortAnswers : public Feature8100OnboardProfiles {
public:
    using Feature8100OnboardProfiles::Feature8100OnboardProfiles;
    std::size_t length = 0;
    bool sendFeatureCommand(unsigned /*function*/, const std::vector<Byte>& /*parameters*/,
                            std::vector<Byte>& response, CacheMode /*cache_mode*/) override {
        response = counting(length);
        return true;
    }
};

TEST_F(FeatureOnboardProfiles, AnAnswerShorterThanWhatIsReadChangesNothing) {
    struct Case {
        const char* what;
        std::size_t needed;
        std::function<bool(Profiles&)> call;
        std::function<bool()> unchanged;
    };
    OnboardProfilesInfo info;
    int number = 0;
    bool flag = false;
    std::vector<Byte> data;
    auto set_sentinels = [&] {
        info = {};
        info.infoWord = -1;
        number = -1;
        flag = true;
        data = {0xEE};
    };
    const Case cases[] = {
        {"GetOnboardProfilesInfo", 10, [&](Profiles& p) { return p.GetOnboardProfilesInfo(info); },
         [&] { return info.infoWord == -1 && info.info[0] == 0; }},
        {"IsOnboardMode", 1, [&](Profiles& p) { return p.IsOnboardMode(flag); },
         [&] { return flag; }},
        {"GetActiveProfile", 2, [&](Profiles& p) { return p.GetActiveProfile(number); },
         [&] { return number == -1; }},
        {"WriteData", 2, [&](Profiles& p) { return p.WriteData({1}, number); },
         [&] { return number == -1; }},
        {"ReadData", 16, [&](Profiles& p) { return p.ReadData(0, 0, data); },
         [&] { return data == std::vector<Byte>{0xEE}; }},
        {"GetActiveProfileResolution", 1,
         [&](Profiles& p) { return p.GetActiveProfileResolution(number); },
         [&] { return number == -1; }},
    };
    auto feature = std::make_shared<ShortAnswers>(kIndex, h.device);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set_sentinels();
        feature->length = c.needed - 1;
        EXPECT_FALSE(c.call(*feature));
        EXPECT_EQ(last_error().code, ErrorCode::CommandResponseTooShort);
        EXPECT_TRUE(c.unchanged());
        feature->length = c.needed;
        EXPECT_TRUE(c.call(*feature)) << "exactly as long as needed";
    }
    feature->length = 15;
    sys::DebugOutputCapture capture;
    std::vector<Byte> block;
    EXPECT_FALSE(feature->ReadData(0, 0, block));
    EXPECT_TRUE(
        capture.contains("Feature8100OnboardProfiles::ReadData returned too few bytes (15)"));
}

// Collects the feature's events.
class ProfileEvents : public Subscriber<Profiles::Report> {
public:
    explicit ProfileEvents(std::shared_ptr<Profiles> feature) : feature_(std::move(feature)) {
        subscribe(feature_, DeliverDirect, "ProfileEvents");
    }
    ~ProfileEvents() override { unsubscribe(feature_); }
    std::vector<std::string> events; // read after the delivery has ended

private:
    void onProfileActivated(ProfileId profile) override {
        events.push_back("profile " + std::to_string(static_cast<int>(profile)));
    }
    void onActiveProfileResolutionChanged(int index) override {
        events.push_back("resolution " + std::to_string(index));
    }
    std::shared_ptr<Profiles> feature_;
};

TEST_F(FeatureOnboardProfiles, TheDevicesEventsArePublishedByFunction) {
    ProfileEvents events(profiles);
    // Through the device: a profile activated, then its resolution.
    h.hardware->deliver(
        {0x11, 0xFF, kIndex, 0x00, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    h.hardware->deliver({0x10, 0xFF, kIndex, 0x10, 0x03, 0x00, 0x00});
    h.hardware->wait_idle();
    EXPECT_EQ(events.events, (std::vector<std::string>{"profile 2", "resolution 3"}));

    // Events too short for what they carry, and of other functions, publish nothing.
    auto feature = std::dynamic_pointer_cast<Feature>(profiles);
    feature->deliverFeatureReport(0, {0x02});
    feature->deliverFeatureReport(0, {});
    feature->deliverFeatureReport(1, {});
    feature->deliverFeatureReport(2, {0x01, 0x02});
    EXPECT_EQ(events.events.size(), 2u);
}

TEST(FeatureOnboardProfilesOnTheMouse, ASectorWrittenBlockByBlockIsReadBack) {
    SimDeviceHarness h;
    std::shared_ptr<Profiles> profiles = h.use_feature<Profiles>();
    ASSERT_NE(profiles, nullptr);
    OnboardProfilesInfo info;
    ASSERT_TRUE(profiles->GetOnboardProfilesInfo(info));
    EXPECT_EQ(info.info[6], 16) << "sectors";

    // A sector of 255 bytes whose last two bytes hold the CRC the mouse checks.
    constexpr int kSector = 9;
    sim::ProfileMemory::Sector contents{};
    for (std::size_t i = 0; i < contents.size(); ++i) {
        contents[i] = static_cast<Byte>(i * 7);
    }
    contents = sim::ProfileMemory::with_crc(contents);
    std::vector<Byte> sector(contents.begin(), contents.end());
    ASSERT_TRUE(profiles->BeginWrite(kSector, 0, static_cast<uint16_t>(sector.size())));
    int status = 0;
    for (std::size_t at = 0; at < sector.size(); at += 16) {
        auto from = sector.begin() + static_cast<std::ptrdiff_t>(at);
        ASSERT_TRUE(profiles->WriteData(
            {from, from + std::min<std::ptrdiff_t>(16, sector.end() - from)}, status));
    }
    EXPECT_EQ(status, 2) << "the last block completes the write";
    ASSERT_TRUE(profiles->EndWrite());

    // Blocks lie inside the sector: 15 of them can be read.
    std::vector<Byte> read_back;
    for (int at = 0; at < 240; at += 16) {
        std::vector<Byte> block;
        ASSERT_TRUE(profiles->ReadData(kSector, static_cast<uint16_t>(at), block));
        read_back.insert(read_back.end(), block.begin(), block.end());
    }
    EXPECT_TRUE(std::equal(read_back.begin(), read_back.end(), sector.begin()));
    std::vector<Byte> crc;
    ASSERT_TRUE(profiles->GetCRC(kSector, crc));
    EXPECT_EQ(crc[0] << 8 | crc[1], sector[253] << 8 | sector[254]);

    // A block past the sector's end is refused by the mouse.
    std::vector<Byte> beyond{0xEE};
    EXPECT_FALSE(profiles->ReadData(kSector, 250, beyond));
    EXPECT_EQ(last_error().code, rap20_error(3));
    EXPECT_EQ(beyond, std::vector<Byte>{0xEE});
}

} // namespace
} // namespace devio::test

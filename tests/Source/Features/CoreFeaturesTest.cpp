// The root, feature-set and firmware-information features: what they send, how they decode the
// answers, and the formatted firmware version.
#include <gtest/gtest.h>

#include "Source/Features/FirmwareVersionText.h"
#include "Source/Features/IFeature0000Root.h"
#include "Source/Features/IFeature0001FeatureSet.h"
#include "Source/Features/IFeature0003FirmwareInfo.h"
#include "Source/Rap/FeatureFactory.h"
#include "Source/System/DebugOutput.h"
#include "support/DeviceHarness.h"
#include "support/LogLines.h"
#include "support/Rap20Harness.h"

namespace devio::test {
namespace {

using Answer = FakeHardwareDevice::Answer;

template <class I>
std::shared_ptr<I> make_feature(const std::shared_ptr<Device>& device, Byte index) {
    return std::dynamic_pointer_cast<I>(FeatureFactory::create(I::kFeatureNumber, index, device));
}

std::vector<Byte> parameters_written(const FakeHardwareDevice& hardware) {
    return rap::parameters_of(hardware.writes().back().report);
}

TEST(FeatureRoot, GetFeatureAsksForTheNumberAndDecodesIndexFlagsAndVersion) {
    struct Case {
        std::vector<Byte> answer;
        int index;
        bool obsolete, hidden, engineering;
        int version;
    };
    const Case cases[] = {
        {{5, 0xE0, 3}, 5, true, true, true, 3},   {{6, 0x80, 0}, 6, true, false, false, 0},
        {{7, 0x40, 1}, 7, false, true, false, 1}, {{8, 0x20, 2}, 8, false, false, true, 2},
        {{0, 0, 0}, 0, false, false, false, 0}, // the device lacks the feature
    };
    DeviceHarness h;
    auto root = make_feature<IFeature0000Root>(h.device, 0);
    ASSERT_NE(root, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        h.hardware->answer(0x00, 0, {Answer::with(c.answer)});
        int index = -1;
        int version = -1;
        bool obsolete = false;
        bool hidden = false;
        bool engineering = false;
        ASSERT_TRUE(root->GetFeature(0x1D4B, &index, &obsolete, &hidden, &engineering, &version,
                                     CacheMode::Uncached));
        EXPECT_EQ(parameters_written(*h.hardware), (std::vector<Byte>{0x1D, 0x4B}));
        EXPECT_EQ(index, c.index);
        EXPECT_EQ(obsolete, c.obsolete);
        EXPECT_EQ(hidden, c.hidden);
        EXPECT_EQ(engineering, c.engineering);
        EXPECT_EQ(version, c.version);
    }
}

TEST(FeatureRoot, TheProtocolQuestionIsCachedAndTargetSwKeptWhileAPingAlwaysGoesOut) {
    DeviceHarness h;
    h.hardware->answer(0x00, 1, {Answer::with({4, 2, 0})});
    auto first = make_feature<IFeature0000Root>(h.device, 0);
    int protocol = 0;
    int target = 0;
    ASSERT_TRUE(first->TargetSw(&protocol, &target));
    EXPECT_EQ(protocol, 4);
    EXPECT_EQ(target, 2);
    EXPECT_EQ(parameters_written(*h.hardware), (std::vector<Byte>{0, 0, 0}));
    ASSERT_TRUE(first->TargetSw(&protocol, &target));
    EXPECT_EQ(h.hardware->write_count(), 1u) << "kept in the object";

    auto second = make_feature<IFeature0000Root>(h.device, 0);
    int echoed = -1;
    ASSERT_TRUE(second->GetProtocolVersion(0, &protocol, &target, &echoed));
    EXPECT_EQ(h.hardware->write_count(), 1u) << "answered by the response cache";

    ASSERT_TRUE(second->GetProtocolVersion(0x55, nullptr, nullptr, &echoed));
    ASSERT_TRUE(second->GetProtocolVersion(0x55, nullptr, nullptr, &echoed));
    EXPECT_EQ(echoed, 0x55);
    EXPECT_EQ(h.hardware->write_count(), 3u);
    EXPECT_TRUE(second->Ping(0x66));
    EXPECT_EQ(parameters_written(*h.hardware), (std::vector<Byte>{0, 0, 0x66}));
}

TEST(FeatureRoot, APingAnsweredWithAnotherByteIsAMismatch) {
    DeviceHarness h;
    auto device = std::make_shared<CannedDevice>(h.manager, h.hardware);
    auto root = make_feature<IFeature0000Root>(device, 0);
    device->canned = {0x10, 0xFF, 0x00, 0x1C, 4, 2, 0x99};
    EXPECT_FALSE(root->Ping(0x55));
    EXPECT_EQ(last_error().code, ErrorCode::PingMismatch);
    device->canned[6] = 0x55;
    EXPECT_TRUE(root->Ping(0x55));
}

TEST(FeatureSet, CountAndFeatureIdsAreDecodedAndCached) {
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->answer(0x01, 0, {Answer::with({6})});
    h.hardware->answer(0x01, 1, {Answer::with({0x1D, 0x4B, 0xA0, 2})});
    auto set = make_feature<IFeature0001FeatureSet>(h.device, 1);
    int count = 0;
    ASSERT_TRUE(set->GetCount(&count));
    EXPECT_EQ(count, 6);
    int id = 0;
    int version = 0;
    bool engineering = false;
    bool hidden = true;
    bool obsolete = false;
    ASSERT_TRUE(set->GetFeatureID(3, &id, &engineering, &hidden, &obsolete, &version));
    EXPECT_EQ(parameters_written(*h.hardware), (std::vector<Byte>{3}));
    EXPECT_EQ(id, 0x1D4B);
    EXPECT_TRUE(obsolete);
    EXPECT_FALSE(hidden);
    EXPECT_TRUE(engineering);
    EXPECT_EQ(version, 2);
    ASSERT_TRUE(set->GetCount(&count));
    ASSERT_TRUE(set->GetFeatureID(3, &id, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(h.hardware->write_count(), 2u);
}

TEST(FeatureFirmwareInfo, EntityCountAndFirmwareInformationAreDecoded) {
    DeviceHarness h;
    h.make_feature_based();
    auto info = make_feature<IFeature0003FirmwareInfo>(h.device, 2);
    h.hardware->answer(0x02, 0,
                       {Answer::with({3, 0x4D, 0x2B, 0x17, 0xA5, 0x00, 0x04, 0x40, 0xA1, 0x12, 0x34,
                                      0x56, 0x78, 0x09})});
    int count = 0;
    uint32_t unit = 0;
    int transport = 0;
    int pid1 = 0;
    int pid2 = 0;
    int pid3 = 0;
    int extended = 0;
    ASSERT_TRUE(info->GetEntityCount(&count, &unit, &transport, &pid1, &pid2, &pid3, &extended,
                                     CacheMode::Uncached));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(unit, 0x4D2B17A5u);
    EXPECT_EQ(transport, 0x0004);
    EXPECT_EQ(pid1, 0x40A1);
    EXPECT_EQ(pid2, 0x1234);
    EXPECT_EQ(pid3, 0x5678);
    EXPECT_EQ(extended, 9);

    h.hardware->answer(
        0x02, 1,
        {Answer::with({0x10, 'Q', 'R', 'T', 0x08, 0x06, 0x00, 0x27, 0x01, 1, 2, 3, 4, 5, 6, 7})});
    sys::DebugOutputCapture capture;
    int type = -1;
    std::string prefix;
    std::string version;
    std::string build;
    int rdnf = 0;
    std::vector<Byte> extra;
    ASSERT_TRUE(
        info->GetFwInfo(0, &type, &prefix, &version, &build, &rdnf, &extra, CacheMode::Uncached));
    EXPECT_EQ(parameters_written(*h.hardware), (std::vector<Byte>{0}));
    EXPECT_EQ(type, 0) << "only the low nibble is the type";
    EXPECT_EQ(prefix, "QRT");
    EXPECT_EQ(version, "0806");
    EXPECT_EQ(build, "0027");
    EXPECT_EQ(rdnf, 1);
    EXPECT_EQ(extra, (std::vector<Byte>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(count_lines(capture, "GetFwInfo (entity = 0, *fwType = 0, *prefix = QRT, *version = "
                                   "0806, *build = 0027, *rdnf = 1, *extra_data)"),
              1);
    uint16_t bcd_version = 0;
    ASSERT_TRUE(info->GetFwInfo(0, nullptr, nullptr, &bcd_version, nullptr, nullptr, nullptr,
                                CacheMode::Uncached));
    EXPECT_EQ(bcd_version, 0x0806);

    h.hardware->answer(0x02, 1, {Answer::with({0x00, 'Q', 'R'})});
    EXPECT_FALSE(
        info->GetFwInfo(0, &type, &prefix, &version, &build, &rdnf, &extra, CacheMode::Uncached));
    EXPECT_EQ(last_error().code, ErrorCode::CommandResponseTooShort);
    EXPECT_EQ(prefix, "QRT") << "outputs stay as they were";
}

TEST(FeatureFirmwareInfo, VersionsAreNormalisedAndFormatted) {
    struct Case {
        const char* prefix;
        uint16_t version;
        uint16_t build;
        const char* text;
    };
    const Case cases[] = {
        {"QRT", 0x0806, 0x0027, "8.6.27"},
        {"QRT", 0x0A05, 0x0000, "25.65.0"}, // not BCD: 2565 decimal
        {"BOT", 0x0102, 0x9928, "1.2.9928"},
        {"QRT", 0xFFFF, 0x270F, "99.99.9999"}, // limited to 9999
        {"U1 ", 0x0512, 0x0023, "105.12.23"},
        {"U1X", 0x0512, 0x0023, "5.12.23"},
        {"UA ", 0x0512, 0x0023, "5.12.23"},
        {"U1", 0x0512, 0x0023, "5.12.23"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatted_firmware_version(c.prefix, c.version, c.build), c.text)
            << c.prefix << " " << std::hex << c.version << " " << c.build;
    }
    EXPECT_EQ(normalise_bcd(0x0A05), 0x2565);
    EXPECT_EQ(normalise_bcd(0x0806), 0x0806);
    EXPECT_EQ(normalise_bcd(0x00FF), 0x0255);
}

TEST(FeatureFirmwareInfo, TheEntitiesAreWalkedByKindAndTypeOnceFromTheDevice) {
    FakeRap20Device::Firmware firmware = FakeRap20Device::application(0x0806, 0x0027);
    firmware.entities.push_back({1, "BL1", 0x0301, 0x0002, false});
    Rap20Harness h(std::make_shared<FakeRap20Device>(
        FakeHardwareDevice::Identity{}, FakeRap20Device::standard_features(), firmware));
    auto info = h.device->feature<IFeature0003FirmwareInfo>();
    ASSERT_NE(info, nullptr);

    std::string text;
    ASSERT_TRUE(info->GetFwFormattedVersion(&text));
    EXPECT_EQ(text, "8.6.27");
    uint16_t build = 0;
    uint16_t version = 0;
    int rdnf = 0;
    ASSERT_TRUE(info->GetFwVersionByKind(IFeature0003FirmwareInfo::kApplicationKind, &text, &build,
                                         &version, &rdnf));
    EXPECT_EQ(text, "8.6.27");
    EXPECT_EQ(build, 0x0027);
    EXPECT_EQ(version, 0x0806);
    EXPECT_EQ(rdnf, 1);
    ASSERT_TRUE(info->GetFwVersionByKind(IFeature0003FirmwareInfo::kBootloaderKind, &text, nullptr,
                                         nullptr, nullptr));
    EXPECT_EQ(text, "1.2.7") << "the first bootloader entity";
    EXPECT_FALSE(info->GetFwVersionByKind(2, &text, nullptr, nullptr, nullptr));
    EXPECT_EQ(last_error().code, ErrorCode::NotPresent);

    std::string prefix;
    ASSERT_TRUE(info->GetFwInfoByType(2, &prefix, &version, nullptr, nullptr, nullptr));
    EXPECT_EQ(prefix, "HWR");
    EXPECT_FALSE(info->GetFwInfoByType(5, &prefix, nullptr, nullptr, nullptr, nullptr));

    int asked = h.fake->count(0x0003, 1);
    ASSERT_TRUE(info->GetFwFormattedVersion(&text));
    EXPECT_EQ(h.fake->count(0x0003, 1), asked) << "the walk is answered by the response cache";

    // The bootloader prefixes: any "BL..." as well as "BOT".
    firmware.entities.erase(firmware.entities.begin() + 1);
    h.fake->set_firmware(firmware);
    h.device->forget();
    info = h.device->feature<IFeature0003FirmwareInfo>();
    ASSERT_TRUE(info->GetFwVersionByKind(IFeature0003FirmwareInfo::kBootloaderKind, &text, nullptr,
                                         nullptr, nullptr));
    EXPECT_EQ(text, "3.1.2");
}

TEST(FeatureFirmwareInfo, TheModelIdIsTransportAndProductOrTheHardwareDevicesProductId) {
    FakeRap20Device::Firmware firmware = FakeRap20Device::application();
    Rap20Harness h(std::make_shared<FakeRap20Device>(FakeHardwareDevice::Identity{.pid = 0xC0A7},
                                                     FakeRap20Device::standard_features(),
                                                     firmware));
    uint32_t model = 0;
    ASSERT_TRUE(h.device->feature<IFeature0003FirmwareInfo>()->GetModelId(&model));
    EXPECT_EQ(model, 0xC0A7u);

    firmware.transport = 0x0004;
    firmware.pid1 = 0x40A1;
    h.fake->set_firmware(firmware);
    h.device->forget();
    ASSERT_TRUE(h.device->feature<IFeature0003FirmwareInfo>()->GetModelId(&model));
    EXPECT_EQ(model, 0x000440A1u);
}

} // namespace
} // namespace devio::test

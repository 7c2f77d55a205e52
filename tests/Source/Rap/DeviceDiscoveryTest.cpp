// Feature discovery against a fake RAP 2.0 device: the feature table, devices that lack features
// or do not speak RAP 2.0, the firmware fingerprint and the firmware check.
#include <gtest/gtest.h>

#include "Source/Features/Feature0003FirmwareInfo.h"
#include "Source/Features/IFeature0001FeatureSet.h"
#include "support/Rap20Harness.h"

namespace devio::test {
namespace {

using Firmware = FakeRap20Device::Firmware;
using FeatureEntry = FakeRap20Device::FeatureEntry;

std::shared_ptr<FakeRap20Device> fake_with(std::vector<FeatureEntry> features,
                                           Firmware firmware = FakeRap20Device::application()) {
    return std::make_shared<FakeRap20Device>(FakeHardwareDevice::Identity{}, std::move(features),
                                             std::move(firmware));
}

TEST(DeviceDiscovery, TheFeatureSetIsReadOnceIntoTypedObjectsWithTheirFlags) {
    std::vector<FeatureEntry> listed = FakeRap20Device::standard_features();
    listed[6] = {0x1000, 0xE0, 3};
    listed.push_back({0x7A99, 0x40, 0}); // a number without a class of its own
    Rap20Harness h(fake_with(listed));

    std::vector<std::shared_ptr<IFeature>> features = h.device->features();
    ASSERT_EQ(features.size(), listed.size());
    for (std::size_t index = 0; index < listed.size(); ++index) {
        EXPECT_EQ(features[index]->featureIndex(), static_cast<int>(index));
        EXPECT_EQ(features[index]->featureID(), listed[index].number);
    }
    EXPECT_NE(std::dynamic_pointer_cast<IFeature0003FirmwareInfo>(features[2]), nullptr);
    EXPECT_TRUE(features[6]->obsolete() && features[6]->swHidden() &&
                features[6]->engineeringHidden());
    EXPECT_EQ(features[6]->version(), 3);
    EXPECT_TRUE(features[7]->swHidden());
    EXPECT_FALSE(features[7]->obsolete() || features[7]->engineeringHidden());
    EXPECT_EQ(h.fake->count(0x0001, 0), 1);
    EXPECT_EQ(h.fake->count(0x0001, 1), static_cast<int>(listed.size()) - 2) << "indexes 2 and up";

    h.fake->clear_requests();
    EXPECT_EQ(h.device->features().size(), listed.size());
    EXPECT_EQ(h.device->feature_by_id(0x1234), nullptr);
    EXPECT_EQ(last_error().code, ErrorCode::NotPresent);
    EXPECT_TRUE(h.fake->requests().empty()) << "everything is known now";
}

TEST(DeviceDiscovery, AFeatureTheDeviceLacksIsNotPresent) {
    Rap20Harness h;
    EXPECT_EQ(h.device->feature_by_id(0x1234), nullptr);
    EXPECT_EQ(last_error().code, ErrorCode::NotPresent);
    EXPECT_EQ(h.device->feature_by_id(0x1234), nullptr);
    EXPECT_EQ(last_error().code, ErrorCode::NotPresent);
    EXPECT_EQ(h.fake->count(0x0000, 0), 2)
        << "0x0003 for the fingerprint, 0x1234 once: then cached";
}

TEST(DeviceDiscovery, AFeatureSetOfOneAsksForNoFeatureIds) {
    Rap20Harness h(fake_with({{0x0000}, {0x0001}}));
    EXPECT_EQ(h.device->features().size(), 2u);
    EXPECT_EQ(h.fake->count(0x0001, 0), 1);
    EXPECT_EQ(h.fake->count(0x0001, 1), 0);
    EXPECT_EQ(h.device->fwinfo(), "NotPresent");
}

TEST(DeviceDiscovery, ADeviceThatDoesNotSpeakRap20IsAskedOnceUntilARetry) {
    Rap20Harness h;
    h.fake->answer_as_rap10(true);
    EXPECT_EQ(h.device->feature_by_id(0x0003), nullptr);
    EXPECT_EQ(last_error().code, ErrorCode::NotRap20);
    std::size_t writes = h.hardware->write_count();
    EXPECT_EQ(writes, 1u);

    EXPECT_EQ(h.device->feature_by_id(0x0003), nullptr);
    EXPECT_EQ(last_error().code, ErrorCode::NotRap20);
    EXPECT_TRUE(h.device->features().empty());
    EXPECT_EQ(last_error().code, ErrorCode::NoError) << "such a device simply has no features";
    EXPECT_EQ(h.hardware->write_count(), writes);

    EXPECT_FALSE(h.device->retry_load_feature_root());
    EXPECT_EQ(h.hardware->write_count(), writes + 1);
    h.fake->answer_as_rap10(false);
    EXPECT_TRUE(h.device->retry_load_feature_root());
    EXPECT_NE(h.device->feature_by_id(0x0003), nullptr);
}

TEST(DeviceDiscovery, AFailedDiscoveryIsTriedAgainAndKeepsItsError) {
    Rap20Harness h;
    h.fake->fail_next(0x0000, 1, 4); // the protocol question is refused once
    EXPECT_TRUE(h.device->features().empty());
    EXPECT_EQ(last_error().code, rap20_error(4));
    EXPECT_EQ(h.device->features().size(), FakeRap20Device::standard_features().size());
}

TEST(DeviceDiscovery, TheFingerprintNamesTheRunningFirmware) {
    struct Case {
        const char* what;
        std::vector<FeatureEntry> features;
        Firmware firmware;
        const char* fingerprint;
        int running_entity; // asked first by the next check; -1 when none runs
    };
    std::vector<FeatureEntry> standard = FakeRap20Device::standard_features();
    std::vector<FeatureEntry> version0 = standard;
    version0[2].version = 0;
    Firmware application = FakeRap20Device::application();
    Firmware bootloader = application;
    bootloader.entities[0].running = false;
    bootloader.entities[1].running = true;
    Firmware nothing_runs = application;
    nothing_runs.entities[0].running = false;
    Firmware odd_prefix = application;
    odd_prefix.entities[0].prefix = std::string("Q\x01T", 3);
    const Case cases[] = {
        {"application", standard, application, "0QRT080600274D2", 0},
        {"bootloader", standard, bootloader, "1BOT010200074D2", 1},
        {"nothing runs", standard, nothing_runs, "0QRT08060027", -1},
        {"feature version 0", version0, application, "0QRT08060027", -1},
        {"no firmware feature", {{0x0000}, {0x0001}}, application, "NotPresent", -1},
        {"unprintable prefix", standard, odd_prefix, "0Q?T080600274D2", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rap20Harness h(fake_with(c.features, c.firmware));
        ASSERT_NE(h.device->feature_by_id(0x0001), nullptr);
        EXPECT_EQ(h.device->fwinfo(), c.fingerprint);
        h.fake->clear_requests();
        EXPECT_TRUE(h.device->do_fwcheck());
        if (c.running_entity >= 0) {
            std::vector<FakeRap20Device::Request> asked = h.fake->requests();
            ASSERT_GE(asked.size(), 2u);
            EXPECT_EQ(asked[1].parameters[0], c.running_entity) << "the remembered entity first";
        }
    }
}

TEST(DeviceDiscovery, ChangedFirmwareEmptiesTheTableButTheRootAndIsAnnounced) {
    Rap20Harness h;
    DeviceEvents events(h.device);
    ASSERT_FALSE(h.device->features().empty());
    ASSERT_EQ(h.device->fwinfo(), "0QRT080600274D2");
    EXPECT_TRUE(h.device->do_fwcheck());

    h.fake->set_firmware(FakeRap20Device::application(0x0806, 0x0028));
    EXPECT_FALSE(h.device->do_fwcheck());
    EXPECT_EQ(last_error().code, ErrorCode::FwVersionChanged);
    EXPECT_EQ(events.firmware_changes(), 1);
    std::vector<std::shared_ptr<Feature>> left = h.device->feature_table().all();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->featureIndex(), 0);
    EXPECT_EQ(h.device->fwinfo(), "");

    h.fake->clear_requests();
    EXPECT_EQ(h.device->features().size(), FakeRap20Device::standard_features().size());
    EXPECT_EQ(h.fake->count(0x0001, 0), 1) << "discovered anew, not from the dropped cache";
    EXPECT_EQ(h.device->fwinfo(), "0QRT080600284D2");
}

// New firmware that moved the firmware-information feature to another index: the check finds it
// there, sees the change, and the table keeps one entry per feature number.
TEST(DeviceDiscovery, ChangedFirmwareIsSeenWhenTheFirmwareFeatureMoved) {
    Rap20Harness h;
    ASSERT_FALSE(h.device->features().empty());
    ASSERT_EQ(h.device->fwinfo(), "0QRT080600274D2");
    std::vector<FeatureEntry> moved = FakeRap20Device::standard_features();
    moved[2] = {0x7A99};
    moved.push_back({0x0003, 0, 1});
    h.fake->set_features(moved);
    h.fake->set_firmware(FakeRap20Device::application(0x0806, 0x0028));

    EXPECT_FALSE(h.device->do_fwcheck());
    EXPECT_EQ(last_error().code, ErrorCode::FwVersionChanged);
    EXPECT_EQ(h.device->features().size(), moved.size());
    std::shared_ptr<Feature> info = h.device->feature_table().by_number(0x0003);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->featureIndex(), 7);
    int entries = 0;
    for (const std::shared_ptr<Feature>& feature : h.device->feature_table().all()) {
        entries += feature->featureID() == 0x0003;
    }
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(h.device->fwinfo(), "0QRT080600284D2");
}

} // namespace
} // namespace devio::test

// The probe's decoded values of the simple features, asked of a scripted device.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/DeviceHarness.h"
#include "tools/devio-probe/SimpleFeatureValues.h"

namespace devio::probe {
namespace {

using test::DeviceHarness;
using Answer = test::FakeHardwareDevice::Answer;

constexpr Byte kReportRate = 2, kBattery = 3, kName = 4;

std::vector<Byte> name_chunk(Byte position, const std::string& text) {
    std::vector<Byte> chunk(16, 0);
    chunk[0] = position;
    std::copy(text.begin(), text.end(), chunk.begin() + 1);
    return chunk;
}

TEST(SimpleFeatureValues, ReportRateBatteryVoltageAndTheWholeFriendlyName) {
    DeviceHarness h;
    h.make_feature_based();
    h.add_feature(0x8060, kReportRate);
    h.add_feature(0x1001, kBattery);
    h.add_feature(0x0007, kName);
    h.hardware->answer(kReportRate, 1, {Answer::with({4})});
    h.hardware->answer(kBattery, 0, {Answer::with({0x0F, 0x6E, 0x0A})});
    h.hardware->answer(kName, 0, {Answer::with({22, 32, 6})});
    h.hardware->answer(
        kName, 1,
        {Answer::with(name_chunk(0, "Office mouse on")), Answer::with(name_chunk(15, " desk 2"))});
    std::vector<ProbeValue> values;
    add_simple_feature_values(*h.device, values);
    EXPECT_EQ(values, (std::vector<ProbeValue>{{"report_rate", "4 ms"},
                                               {"battery_voltage", "3950 mV (charging status 2)"},
                                               {"friendly_name", "\"Office mouse on desk 2\""}}));
    std::vector<Byte> second = rap::parameters_of(h.hardware->writes().back().report);
    EXPECT_EQ(second[0], 15) << "the second chunk is asked from where the first ended";
}

TEST(SimpleFeatureValues, AFeatureThatFailsOrIsMissingShowsNothing) {
    DeviceHarness h;
    h.make_feature_based();
    h.answer_root_without_features();
    h.add_feature(0x0007, kName);
    h.hardware->answer(kName, 0, {Answer::rap20_error(5)});
    std::vector<ProbeValue> values;
    add_simple_feature_values(*h.device, values);
    EXPECT_TRUE(values.empty());
}

} // namespace
} // namespace devio::probe

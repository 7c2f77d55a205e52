// The catalogue's classes whose behaviour goes beyond one request and one answer: chunked names,
// the DPI list, LED checks, wheel events and the settings held while the device is away. One
// table per class: per operation the requests, the scripted answers and what is decoded; per
// event the report and what is published.
#include <gtest/gtest.h>

#include "Source/Features/Feature0005DeviceNameType.h"
#include "Source/Features/Feature1300LEDControl.h"
#include "Source/Features/Feature1815HostsInfos.h"
#include "Source/Features/Feature2121HiResWheel.h"
#include "Source/Features/Feature2201AdjustableDPI.h"
#include "Source/Features/Feature40A2FnInversion.h"
#include "Source/Features/Feature4521DisableKeys.h"
#include "Source/System/DebugOutput.h"
#include "support/FeatureRows.h"
#include "support/LogLines.h"
#include "support/ScopedTimeScale.h"

namespace devio::test {
namespace {

constexpr ErrorCode kShort = ErrorCode::CommandResponseTooShort;
constexpr ErrorCode kRefused = rap20_error(2);
constexpr unsigned kOtherProgram = 3;

std::vector<Byte> text(const std::string& s) {
    return {s.begin(), s.end()};
}

template <class... V>
std::string joined(V... values) {
    std::string out;
    ((out += (out.empty() ? "" : " ") + std::to_string(values)), ...);
    return out;
}

TEST(FeatureDeviceNameType, Operations) {
    using C = Feature0005DeviceNameType;
    auto name = [](C& f, std::string& out) { return f.GetDeviceName(&out); };
    auto name_length = [](C& f, std::string& out) {
        std::string name;
        bool ok = f.GetDeviceName(&name);
        out = std::to_string(name.size());
        return ok;
    };
    run_operation_rows<C>({
        {"GetCount",
         {{0, {{12}}}},
         [](C& f, std::string& out) {
             int count = 0;
             bool ok = f.GetCount(&count);
             out = joined(count);
             return ok;
         },
         {{0, {}}},
         "12"},
        {"GetDeviceName in two chunks",
         {{0, {{11}}}, {1, {text("Orbit Mo"), text("use")}}},
         name,
         {{0, {}}, {1, {0}}, {1, {8}}},
         "Orbit Mouse"},
        {"a chunk longer than the name is cut",
         {{0, {{5}}}, {1, {text("HelloWorld")}}},
         name,
         {{0, {}}, {1, {0}}},
         "Hello"},
        {"the name is read once",
         {{0, {{2}}}, {1, {text("M2")}}},
         [](C& f, std::string& out) { return f.GetDeviceName(nullptr) && f.GetDeviceName(&out); },
         {{0, {}}, {1, {0}}},
         "M2"},
        {"an empty chunk",
         {{0, {{5}}}, {1, {{0}}}},
         name,
         {{0, {}}, {1, {0}}},
         "",
         ErrorCode::EmptyResponse},
        {"a device repeating one byte ends at the length",
         {{0, {{40}}}, {1, {{'a'}}}},
         name_length,
         [] {
             std::vector<Sent> sent{{0, {}}};
             for (Byte offset = 0; offset < 40; ++offset) {
                 sent.push_back({1, {offset}});
             }
             return sent;
         }(),
         "40"},
        {"GetDeviceType",
         {{2, {{3}}}},
         [](C& f, std::string& out) {
             int type = 0;
             bool ok = f.GetDeviceType(&type);
             out = joined(type) + " " + device_type_name(type);
             return ok;
         },
         {{2, {}}},
         "3 Mouse"},
    });
}

TEST(FeatureAdjustableDPI, Operations) {
    using C = Feature2201AdjustableDPI;
    auto list = [](C& f, std::string& out) {
        std::vector<int> dpis;
        int step = -1;
        bool ok = f.GetSensorDPIList(0, &dpis, &step);
        for (int dpi : dpis) {
            out += std::to_string(dpi) + " ";
        }
        out += "step " + std::to_string(step);
        return ok;
    };
    std::vector<Byte> unterminated{0};
    for (int i = 0; i < 7; ++i) {
        unterminated.insert(unterminated.end(), {0x01, 0x90});
    }
    unterminated.push_back(0x01);
    run_operation_rows<C>({
        {"GetSensorCount",
         {{0, {{2}}}},
         [](C& f, std::string& out) {
             int count = 0;
             bool ok = f.GetSensorCount(&count);
             out = joined(count);
             return ok;
         },
         {{0, {}}},
         "2"},
        {"GetSensorDPIList of values",
         {{1, {{0, 0x01, 0x90, 0x03, 0x20, 0x06, 0x40, 0, 0}}}},
         list,
         {{1, {0}}},
         "400 800 1600 step 0"},
        {"GetSensorDPIList with a step",
         {{1, {{0, 0x00, 0xC8, 0xE0, 0x32, 0x0F, 0xA0, 0, 0}}}},
         list,
         {{1, {0}}},
         "200 4000 step 50"},
        {"a list for another sensor",
         {{1, {{1, 0x01, 0x90, 0x03, 0x20, 0, 0}}}},
         list,
         {{1, {0}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"a list without an end leaves one byte",
         {{1, {unterminated}}},
         list,
         {{1, {0}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"a short list answer", {{1, {{0, 0x01, 0x90}}}}, list, {{1, {0}}}, "", kShort},
        {"GetSensorDPI",
         {{2, {{1, 0x03, 0x20}}}},
         [](C& f, std::string& out) {
             int dpi = 0;
             bool ok = f.GetSensorDPI(1, &dpi);
             out = joined(dpi);
             return ok;
         },
         {{2, {1}}},
         "800"},
        {"GetSensorDPI of another sensor",
         {{2, {{0, 0x03, 0x20}}}},
         [](C& f, std::string&) { return f.GetSensorDPI(1, nullptr); },
         {{2, {1}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"GetDefaultDPI",
         {{2, {{0, 0x03, 0x20, 0x06, 0x40}}}},
         [](C& f, std::string& out) {
             int dpi = 0;
             bool ok = f.GetDefaultDPI(0, &dpi);
             out = joined(dpi);
             return ok;
         },
         {{2, {0}}},
         "1600"},
        {"a short GetDefaultDPI answer",
         {{2, {{0, 0x03, 0x20}}}},
         [](C& f, std::string&) { return f.GetDefaultDPI(0, nullptr); },
         {{2, {0}}},
         "",
         kShort},
        {"SetSensorDPI",
         {{3, {{0}}}},
         [](C& f, std::string&) { return f.SetSensorDPI(0, 1600); },
         {{3, {0, 0x06, 0x40}}},
         ""},
    });
}

TEST(FeatureAdjustableDPI, ListEntriesAreLogged) {
    DeviceHarness h;
    h.make_feature_based();
    auto dpi = install_feature<Feature2201AdjustableDPI>(h);
    h.hardware->answer(kRowIndex, 1,
                       {FakeHardwareDevice::Answer::with({0, 0x00, 0xC8, 0xE0, 0x32, 0, 0})});
    sys::DebugOutputCapture capture;
    ASSERT_TRUE(dpi->GetSensorDPIList(0, nullptr, nullptr));
    EXPECT_EQ(count_lines(capture, "value=200"), 1);
    EXPECT_EQ(count_lines(capture, "step=50"), 1);
}

TEST(FeatureHostsInfos, Operations) {
    using C = Feature1815HostsInfos;
    const std::vector<Byte> host1{1, 1, 5, 1, 8, 32};
    auto name = [](bool reuse) {
        return [reuse](C& f, std::string& out) {
            return f.GetHostFriendlyName(1, nullptr, true) && f.GetHostFriendlyName(1, &out, reuse);
        };
    };
    const std::vector<Sent> one_reading{{1, {1}}, {3, {1, 0}}, {3, {1, 5}}};
    std::vector<Sent> two_readings = one_reading;
    two_readings.insert(two_readings.end(), one_reading.begin(), one_reading.end());
    std::map<unsigned, std::vector<std::vector<Byte>>> named{{1, {host1}},
                                                             {3,
                                                              {{1, 0, 'd', 'e', 's', 'k', '-'},
                                                               {1, 5, 'b', 'o', 'x'},
                                                               {1, 0, 'd', 'e', 's', 'k', '-'},
                                                               {1, 5, 'b', 'o', 'x'}}}};
    run_operation_rows<C>({
        {"GetFeatureInfos",
         {{0, {{1, 3, 2}}}},
         [](C& f, std::string& out) {
             int caps = 0, count = 0, current = 0;
             bool ok = f.GetFeatureInfos(&caps, &count, &current);
             out = joined(caps, count, current);
             return ok;
         },
         {{0, {}}},
         "1 3 2"},
        {"GetHostInfos",
         {{1, {host1}}},
         [](C& f, std::string& out) {
             IFeature1815HostsInfos::HostInfo info;
             bool ok = f.GetHostInfos(1, &info);
             out = joined(info.status, info.bus_type, info.page_count, info.name_length,
                          info.name_max_length);
             return ok;
         },
         {{1, {1}}},
         "1 5 1 8 32"},
        {"a short GetHostInfos answer",
         {{1, {{1, 1, 5}}}},
         [](C& f, std::string&) { return f.GetHostInfos(1, nullptr); },
         {{1, {1}}},
         "",
         kShort},
        {"GetHostFriendlyName is kept", named, name(true), one_reading, "desk-box"},
        {"GetHostFriendlyName read again", named, name(false), two_readings, "desk-box"},
        {"an empty name chunk",
         {{1, {host1}}, {3, {{1, 0}}}},
         [](C& f, std::string&) { return f.GetHostFriendlyName(1, nullptr, true); },
         {{1, {1}}, {3, {1, 0}}},
         "",
         ErrorCode::EmptyResponse},
        {"a host above 19",
         {},
         [](C& f, std::string&) { return f.GetHostFriendlyName(20, nullptr, true); },
         {},
         "",
         kRefused},
        {"SetHostFriendlyName",
         {{4, {{1}}}},
         [](C& f, std::string&) { return f.SetHostFriendlyName(1, 2, text("abc")); },
         {{4, {1, 2, 'a', 'b', 'c'}}},
         ""},
        {"an empty name chunk to write",
         {},
         [](C& f, std::string&) { return f.SetHostFriendlyName(1, 0, {}); },
         {},
         "",
         kRefused},
        {"a name chunk of 15 bytes",
         {},
         [](C& f, std::string&) { return f.SetHostFriendlyName(1, 0, text("123456789012345")); },
         {},
         "",
         kRefused},
        {"GetHostOSVersion",
         {{7, {{1, 2, 10, 15}}}},
         [](C& f, std::string& out) {
             int type = 0, major = 0, minor = 0;
             bool ok = f.GetHostOSVersion(1, &type, &major, &minor);
             out = joined(type, major, minor);
             return ok;
         },
         {{7, {1}}},
         "2 10 15"},
        {"a short GetHostOSVersion answer",
         {{7, {{1, 2, 10}}}},
         [](C& f, std::string&) { return f.GetHostOSVersion(1, nullptr, nullptr, nullptr); },
         {{7, {1}}},
         "",
         kShort},
    });
}

TEST(FeatureLEDControl, Operations) {
    using C = Feature1300LEDControl;
    auto additional = [](C& f, std::string& out) {
        int mode = 0, value = 0, extra = -1;
        bool has_extra = true;
        bool ok = f.GetLEDStateAdditionalInfo(2, &mode, &value, &has_extra, &extra);
        out = joined(mode, value, has_extra ? 1 : 0, extra);
        return ok;
    };
    run_operation_rows<C>({
        {"GetLEDCount",
         {{0, {{3}}}},
         [](C& f, std::string& out) {
             int count = 0;
             bool ok = f.GetLEDCount(&count);
             out = joined(count);
             return ok;
         },
         {{0, {}}},
         "3"},
        {"GetLEDInfo",
         {{1, {{1, 2, 4, 0x01, 0x06, 2}}}},
         [](C& f, std::string& out) {
             IFeature1300LEDControl::LEDInfo info;
             bool ok = f.GetLEDInfo(1, &info);
             out = joined(info.capabilities) + " " + C::describe(info);
             return ok;
         },
         {{1, {1}}},
         "262 LED[1]: type=DPI physicalLEDs=4 capabilities=( On Blink ) "
         "nvCapabilities=AlwaysOn"},
        {"a short GetLEDInfo answer",
         {{1, {{1, 2, 4}}}},
         [](C& f, std::string&) { return f.GetLEDInfo(1, nullptr); },
         {{1, {1}}},
         "",
         kShort},
        {"GetLEDInfo of index -1",
         {},
         [](C& f, std::string&) { return f.GetLEDInfo(-1, nullptr); },
         {},
         "",
         kRefused},
        {"HasSWControl",
         {{2, {{1}}}},
         [](C& f, std::string& out) {
             int flag = 0;
             bool ok = f.HasSWControl(&flag);
             out = joined(flag);
             return ok;
         },
         {{2, {}}},
         "1"},
        {"SetSWControl",
         {{3, {{}}}},
         [](C& f, std::string&) { return f.SetSWControl(1); },
         {{3, {1}}},
         ""},
        {"GetLEDState",
         {{4, {{2, 5}}}},
         [](C& f, std::string& out) {
             int mode = 0;
             bool ok = f.GetLEDState(2, &mode);
             out = joined(mode);
             return ok;
         },
         {{4, {2}}},
         "5"},
        {"GetLEDStateAdditionalInfo with extra",
         {{4, {{2, 5, 0, 7, 1, 9}}}},
         additional,
         {{4, {2}}},
         "5 7 1 9"},
        {"GetLEDStateAdditionalInfo without",
         {{4, {{2, 5, 0, 7, 0, 9}}}},
         additional,
         {{4, {2}}},
         "5 7 0 0"},
        {"SetLEDState",
         {{5, {{}}}},
         [](C& f, std::string&) { return f.SetLEDState(1, 0x0102, 3, 4, 0xFFFF); },
         {{5, {1, 1, 2, 0, 3, 0, 4, 0xFF, 0xFF}}},
         ""},
        {"SetLEDState of index -1",
         {},
         [](C& f, std::string&) { return f.SetLEDState(-1, 0, 0, 0, 0); },
         {},
         "",
         kRefused},
        {"GetNvConfig",
         {{6, {{0, 2}}}},
         [](C& f, std::string& out) {
             int value = 0;
             bool ok = f.GetNvConfig(0, &value);
             out = joined(value);
             return ok;
         },
         {{6, {0}}},
         "2"},
        {"SetNvConfig",
         {{7, {{}}}},
         [](C& f, std::string&) { return f.SetNvConfig(0, 1); },
         {{7, {0, 1}}},
         ""},
    });
}

TEST(FeatureLEDControl, FailuresAndTheRecordAreLogged) {
    DeviceHarness h;
    h.make_feature_based();
    auto led = install_feature<Feature1300LEDControl>(h);
    h.hardware->answer(kRowIndex, 0, {FakeHardwareDevice::Answer::rap20_error(5)});
    h.hardware->answer(kRowIndex, 1,
                       {FakeHardwareDevice::Answer::with({1, 2, 4}),
                        FakeHardwareDevice::Answer::with({0, 9, 1, 0, 0xFF, 7})});
    sys::DebugOutputCapture capture;
    EXPECT_FALSE(led->GetLEDCount(nullptr));
    EXPECT_FALSE(led->GetLEDInfo(-1, nullptr));
    EXPECT_FALSE(led->GetLEDInfo(1, nullptr));
    EXPECT_TRUE(led->GetLEDInfo(0, nullptr));
    EXPECT_EQ(count_lines(capture, "GetLEDCount failed"), 1);
    EXPECT_EQ(count_lines(capture, "GetLEDInfo has invalid index"), 1);
    EXPECT_EQ(count_lines(capture, "GetLEDInfo response too short"), 1);
    EXPECT_EQ(count_lines(capture,
                          "LED[0]: type=Unknown physicalLEDs=1 capabilities=( Off On Blink "
                          "Traveling RampUp RampDown HeartBeat Breathing ) nvCapabilities=None"),
              1);
}

class WheelEvents : public Subscriber<IFeature2121HiResWheel::Report>,
                    public Subscriber<IFeature2121HiResWheel::RatchetSwitch>,
                    public Subscriber<IFeature2121HiResWheel::SettingChange> {
public:
    explicit WheelEvents(const std::shared_ptr<Feature2121HiResWheel>& wheel) {
        Subscriber<IFeature2121HiResWheel::Report>::subscribe(wheel, DeliverDirect, "Wheel");
        Subscriber<IFeature2121HiResWheel::RatchetSwitch>::subscribe(wheel, DeliverDirect, "Wheel");
        Subscriber<IFeature2121HiResWheel::SettingChange>::subscribe(wheel, DeliverDirect, "Wheel");
    }
    std::vector<std::string> published;

private:
    void onWheelMovement(bool high_resolution, int periods, int16_t m1, int16_t m2) override {
        published.push_back("wheel " + joined(high_resolution ? 1 : 0, periods, m1, m2));
    }
    void onRatchetSwitch(bool ratchet) override {
        published.push_back("ratchet " + joined(ratchet ? 1 : 0));
    }
    void onSettingChange(unsigned id, bool target, bool resolution, bool invert, int b1,
                         int b2) override {
        published.push_back("setting " +
                            joined(id, target ? 1 : 0, resolution ? 1 : 0, invert ? 1 : 0, b1, b2));
    }
};

TEST(FeatureHiResWheel, Operations) {
    using C = Feature2121HiResWheel;
    run_operation_rows<C>({
        {"GetWheelCapability",
         {{0, {{8, 0x0C}}}},
         [](C& f, std::string& out) {
             int multiplier = 0;
             bool has_switch = false, has_invert = false;
             bool ok = f.GetWheelCapability(&multiplier, &has_switch, &has_invert);
             out = joined(multiplier, has_switch ? 1 : 0, has_invert ? 1 : 0);
             return ok;
         },
         {{0, {}}},
         "8 1 1"},
        {"GetWheelMode",
         {{1, {{0x06}}}},
         [](C& f, std::string& out) {
             bool target = true, resolution = false, invert = false;
             bool ok = f.GetWheelMode(&target, &resolution, &invert);
             out = joined(target ? 1 : 0, resolution ? 1 : 0, invert ? 1 : 0);
             return ok;
         },
         {{1, {}}},
         "0 1 1"},
        {"SetWheelMode",
         {{2, {{0x05}}}},
         [](C& f, std::string&) { return f.SetWheelMode(true, false, true); },
         {{2, {0x05}}},
         ""},
        {"GetRatchetSwitchState",
         {{3, {{1}}}},
         [](C& f, std::string& out) {
             bool ratchet = false;
             bool ok = f.GetRatchetSwitchState(&ratchet);
             out = joined(ratchet ? 1 : 0);
             return ok;
         },
         {{3, {}}},
         "1"},
        {"GetAnalyticsData",
         {{4, {{0x01, 0x02, 0x00, 0x05}}}},
         [](C& f, std::string& out) {
             int up = 0, down = 0;
             bool ok = f.GetAnalyticsData(&up, &down);
             out = joined(up, down);
             return ok;
         },
         {{4, {}}},
         "258 5"},
        {"a short GetAnalyticsData answer",
         {{4, {{1, 2, 0}}}},
         [](C& f, std::string&) { return f.GetAnalyticsData(nullptr, nullptr); },
         {{4, {}}},
         "",
         kShort},
        {"SetAnalyticsMode",
         {{5, {{}}}},
         [](C& f, std::string&) { return f.SetAnalyticsMode(true); },
         {{5, {1}}},
         ""},
    });
}

TEST(FeatureHiResWheel, EventsAndOtherProgramsSettings) {
    DeviceHarness h;
    h.make_feature_based();
    WheelEvents events(install_feature<Feature2121HiResWheel>(h));
    run_event_rows<Feature2121HiResWheel>(
        h,
        {
            {0, 0, {0x13, 0x00, 0x05, 0xFF, 0xFE}, {"wheel 1 3 5 -2"}},
            {0, 0, {0x13, 0x00, 0x05}, {}},
            {1, 0, {0x01}, {"ratchet 1"}},
            {2, 0, {0x07}, {}},
            {2, kOtherProgram, {0x06, 4, 5}, {"setting 3 0 1 1 4 5"}},
            {1, kOtherProgram, {0x06, 4, 5}, {}},
        },
        events.published);
}

template <class Interface>
class SettingEvents : public Subscriber<typename Interface::SettingChange> {
public:
    template <class Feature>
    explicit SettingEvents(const std::shared_ptr<Feature>& feature) {
        this->subscribe(feature, DeliverDirect, "SettingEvents");
    }
    std::vector<std::string> published;

private:
    void onSettingChange(
        unsigned software_id,
        std::conditional_t<std::is_same_v<Interface, IFeature40A2FnInversion>, bool, int> value)
        override {
        published.push_back("change " + joined(software_id, static_cast<int>(value)));
    }
};

TEST(FeatureFnInversion, OperationsEventsAndHeldChanges) {
    using C = Feature40A2FnInversion;
    run_operation_rows<C>({
        {"GetGlobalFnInversion",
         {{0, {{1, 0}}}},
         [](C& f, std::string& out) {
             bool inverted = false, by_default = true;
             bool ok = f.GetGlobalFnInversion(&inverted, &by_default);
             out = joined(inverted ? 1 : 0, by_default ? 1 : 0);
             return ok;
         },
         {{0, {}}},
         "1 0"},
        {"SetGlobalFnInversion",
         {{1, {{1}}}},
         [](C& f, std::string&) { return f.SetGlobalFnInversion(true); },
         {{1, {1}}},
         ""},
    });

    DeviceHarness h;
    h.make_feature_based();
    SettingEvents<IFeature40A2FnInversion> events(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {0, 0, {1}, {"change 0 1"}},
                          {1, kOtherProgram, {0}, {"change 3 0"}},
                          {0, kOtherProgram, {1}, {}},
                      },
                      events.published);

    check_away_and_back<C>("Feature 0x40A2 caching pending change", 1,
                           [](C& f, int value) { return f.SetGlobalFnInversion(value != 0); });
}

TEST(FeatureDisableKeys, OperationsEventsAndHeldChanges) {
    using C = Feature4521DisableKeys;
    run_operation_rows<C>({
        {"GetCapabilities",
         {{0, {{0x1F}}}},
         [](C& f, std::string& out) {
             int keys = 0;
             bool ok = f.GetCapabilities(&keys);
             out = joined(keys);
             return ok;
         },
         {{0, {}}},
         "31"},
        {"GetDisabledKeys",
         {{1, {{0x03}}}},
         [](C& f, std::string& out) {
             int keys = 0;
             bool ok = f.GetDisabledKeys(&keys);
             out = joined(keys);
             return ok;
         },
         {{1, {}}},
         "3"},
        {"SetDisabledKeys",
         {{2, {{5}}}},
         [](C& f, std::string&) { return f.SetDisabledKeys(5); },
         {{2, {5}}},
         ""},
    });

    DeviceHarness h;
    h.make_feature_based();
    SettingEvents<IFeature4521DisableKeys> events(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {2, kOtherProgram, {5}, {"change 3 5"}},
                          {1, kOtherProgram, {5}, {}},
                      },
                      events.published);

    check_away_and_back<C>("Feature 0x4521 caching pending change", 2,
                           [](C& f, int value) { return f.SetDisabledKeys(value); });
}

TEST(FeatureCatalogue, EveryClassOfItsOwnIsCreatedByNumber) {
    for (int number : {0x0005, 0x0021, 0x1300, 0x1800, 0x1814, 0x1815, 0x1A01, 0x1B03,
                       0x1B04, 0x1F1F, 0x2121, 0x2201, 0x2240, 0x2400, 0x40A2, 0x4521,
                       0x4600, 0x6100, 0x6501, 0x8070, 0x8120, 0x8123, 0x8310}) {
        std::shared_ptr<Feature> feature = FeatureFactory::create(number, 4, {});
        ASSERT_NE(feature, nullptr);
        const Feature& made = *feature;
        EXPECT_NE(typeid(made), typeid(Feature)) << std::hex << number;
        EXPECT_EQ(feature->featureID(), number);
    }
}

} // namespace
} // namespace devio::test

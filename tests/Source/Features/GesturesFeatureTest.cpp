// The gestures class 0x6501: its operations checked against the descriptor it reads lazily, and
// a table of hostile descriptors, none of which may make the reading overrun, loop or grow
// without a bound.
#include <gtest/gtest.h>

#include "Source/Features/Feature6501Gestures.h"
#include "support/FeatureRows.h"

namespace devio::test {
namespace {

using C = Feature6501Gestures;

// Gesture 1 with parameter 1 and spec 2, gesture 5; in two chunks.
const std::vector<std::vector<Byte>> kDescriptor{{0x80, 1, 0x81, 1, 0x82, 2, 0, 0},
                                                 {0x80, 5, 0x01, 0}};
const std::vector<Sent> kDescriptorRequests{{0, {0, 0}}, {0, {0, 3}}};

std::vector<Sent> after_descriptor(std::vector<Sent> more) {
    std::vector<Sent> sent = kDescriptorRequests;
    sent.insert(sent.end(), more.begin(), more.end());
    return sent;
}

std::function<bool(C&, std::string&)> value_of(bool (C::*read)(int, int, int*), int gesture,
                                               int item) {
    return [=](C& f, std::string& out) {
        int value = 0;
        bool ok = (f.*read)(gesture, item, &value);
        out = std::to_string(value);
        return ok;
    };
}

TEST(FeatureGestures, OperationsAreCheckedAgainstTheDescriptor) {
    using Answers = std::map<unsigned, std::vector<std::vector<Byte>>>;
    auto with = [](Answers more) {
        more[0] = kDescriptor;
        return more;
    };
    run_operation_rows<C>({
        {"GetGestureInfo", with({}),
         [](C& f, std::string& out) {
             int gesture = 0, count = 0;
             bool ok = f.GetGestureInfo(1, &gesture, &count);
             out = std::to_string(gesture) + " " + std::to_string(count);
             return ok;
         },
         kDescriptorRequests, "5 2"},
        {"GetGestureInfo beyond the count", with({}),
         [](C& f, std::string&) { return f.GetGestureInfo(2, nullptr, nullptr); },
         kDescriptorRequests, "", ErrorCode::IndexOutOfRange},
        {"GetRawDescriptor", with({}),
         [](C& f, std::string& out) {
             std::vector<uint16_t> fields;
             bool ok = f.GetRawDescriptor(&fields);
             for (uint16_t field : fields) {
                 out += std::to_string(field) + " ";
             }
             return ok;
         },
         kDescriptorRequests, "32769 33025 33282 32773 "},
        {"IsEnabled", with({{1, {{5, 1}}}}),
         [](C& f, std::string& out) {
             bool enabled = false;
             bool ok = f.IsEnabled(5, &enabled);
             out = enabled ? "1" : "0";
             return ok;
         },
         after_descriptor({{1, {5}}}), "1"},
        {"IsEnabled of an unknown gesture", with({}),
         [](C& f, std::string&) { return f.IsEnabled(7, nullptr); }, kDescriptorRequests, "",
         ErrorCode::UnknownGesture},
        {"EnableNow", with({{2, {{}}}}), [](C& f, std::string&) { return f.EnableNow(1, true); },
         after_descriptor({{2, {1, 1}}}), ""},
        {"IsDiverted", with({{3, {{1, 0}}}}),
         [](C& f, std::string& out) {
             bool diverted = true;
             bool ok = f.IsDiverted(1, &diverted);
             out = diverted ? "1" : "0";
             return ok;
         },
         after_descriptor({{3, {1}}}), "0"},
        {"DivertNow", with({{4, {{}}}}), [](C& f, std::string&) { return f.DivertNow(5, true); },
         after_descriptor({{4, {5, 1}}}), ""},
        {"GetSpec", with({{5, {{1, 2, 0x01, 0x2C}}}}), value_of(&C::GetSpec, 1, 2),
         after_descriptor({{5, {1, 2}}}), "300"},
        {"GetSpec of an item not listed", with({}), value_of(&C::GetSpec, 1, 3),
         kDescriptorRequests, "", ErrorCode::ItemNotSupported},
        {"ParamDefault", with({{6, {{1, 1, 0x00, 0x0A}}}}), value_of(&C::ParamDefault, 1, 1),
         after_descriptor({{6, {1, 1}}}), "10"},
        {"GetParam of another gesture's parameter", with({}), value_of(&C::GetParam, 5, 1),
         kDescriptorRequests, "", ErrorCode::ItemNotSupported},
        {"a short GetParam answer", with({{7, {{1, 1, 0}}}}), value_of(&C::GetParam, 1, 1),
         after_descriptor({{7, {1, 1}}}), "", ErrorCode::CommandResponseTooShort},
        {"SetParamNow", with({{8, {{}}}}),
         [](C& f, std::string&) { return f.SetParamNow(1, 1, 0x0102); },
         after_descriptor({{8, {1, 1, 1, 2}}}), ""},
        {"SendReport",
         {{9, {{}}}},
         [](C& f, std::string&) {
             return f.SendReport({9, 8});
         },
         {{9, {9, 8}}},
         ""},
    });
}

TEST(FeatureGestures, HostileDescriptorsEndTheReading) {
    std::vector<Byte> eight_fields;
    for (int i = 0; i < 8; ++i) {
        eight_fields.insert(eight_fields.end(), {0x80, static_cast<Byte>(i + 1)});
    }
    auto fields = [](C& f, std::string& out) {
        std::vector<uint16_t> read;
        bool ok = f.GetRawDescriptor(&read);
        out = std::to_string(read.size());
        return ok;
    };
    std::vector<Sent> capped;
    for (int index = 0; index < 1000; index += 8) {
        capped.push_back({0, {static_cast<Byte>(index >> 8), static_cast<Byte>(index & 0xFF)}});
    }
    run_operation_rows<C>({
        {"an incomplete field of another kind",
         {{0, {{0x80, 1, 0x7F}}}},
         fields,
         {{0, {0, 0}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"an incomplete 0x00 asks for the next chunk",
         {{0, {{0x80, 1, 0x00}, {0x01, 0, 0}}}},
         fields,
         {{0, {0, 0}}, {0, {0, 1}}},
         "1"},
        {"a device repeating an empty chunk",
         {{0, {{0, 0, 0}}}},
         fields,
         {{0, {0, 0}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"a device that never ends its descriptor",
         {{0, {eight_fields}}},
         fields,
         capped,
         "",
         ErrorCode::InvalidDeviceData},
    });

    DeviceHarness h;
    h.make_feature_based();
    auto gestures = install_feature<C>(h);
    std::vector<FakeHardwareDevice::Answer> answers{FakeHardwareDevice::Answer::with(eight_fields)};
    h.hardware->answer(kRowIndex, 0, answers);
    sys::DebugOutputCapture capture;
    EXPECT_FALSE(gestures->GetRawDescriptor(nullptr));
    EXPECT_EQ(
        count_lines(capture, "Device is returning too many descriptor fields, more than 1000"), 1);
    h.hardware->answer(kRowIndex, 0, {FakeHardwareDevice::Answer::with({0x80, 1, 0x7F})});
    h.device->forget();
    h.make_feature_based();
    gestures = install_feature<C>(h);
    EXPECT_FALSE(gestures->GetRawDescriptor(nullptr));
    EXPECT_EQ(count_lines(capture, "incomplete field starts with 0x7f, only 0x00 or 0x01 allowed "
                                   "to be incomplete"),
              1);
}

TEST(FeatureGestures, DeviceEventsArePublished) {
    class Events : public Subscriber<IFeature6501Gestures::GestureReport> {
    public:
        std::vector<std::string> published;

    private:
        void onGestureReport(int function, const std::vector<Byte>& data) override {
            published.push_back("gesture " + std::to_string(function) + " " +
                                std::to_string(data.at(0)));
        }
    };
    DeviceHarness h;
    h.make_feature_based();
    Events events;
    events.subscribe(install_feature<C>(h), DeliverDirect, "Gestures");
    run_event_rows<C>(h,
                      {{0, 0, {4}, {"gesture 0 4"}}, {1, 0, {6}, {"gesture 1 6"}}, {0, 3, {4}, {}}},
                      events.published);
}

} // namespace
} // namespace devio::test

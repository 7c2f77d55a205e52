// The special-keys classes (key events, diverted movement, held reporting changes) and the
// classes that check their arguments or answers: the echo test, the equalizer and the gaming
// attachments. One table per class, as in BehaviourFeaturesTest.
#include <gtest/gtest.h>

#include "Source/Features/Feature1800GenericTest.h"
#include "Source/Features/Feature1B03SpecialKeys.h"
#include "Source/Features/Feature1B04SpecialKeys.h"
#include "Source/Features/Feature8120GamingAttachments.h"
#include "Source/Features/Feature8310Equalizer.h"
#include "support/FeatureRows.h"

namespace devio::test {
namespace {

constexpr ErrorCode kShort = ErrorCode::CommandResponseTooShort;
constexpr ErrorCode kRefused = rap20_error(2);
constexpr unsigned kOtherProgram = 3;

std::string list_text(const std::vector<int>& values) {
    std::string out;
    for (int v : values) {
        out += (out.empty() ? "" : " ") + std::to_string(v);
    }
    return out;
}

std::string reporting_text(const CtrlIdReporting& r) {
    return list_text({r.control_id, r.flags, r.remapped});
}

template <class C>
std::vector<OperationRow<C>> special_keys_rows(unsigned get_reporting) {
    return {
        {"GetCount",
         {{0, {{6}}}},
         [](C& f, std::string& out) {
             int count = 0;
             bool ok = f.GetCount(&count);
             out = list_text({count});
             return ok;
         },
         {{0, {}}},
         "6"},
        {"GetCtrlIdInfo",
         {{1, {{0x00, 0x50, 0x00, 0x38, 0x11}}}},
         [](C& f, std::string& out) {
             int id = 0, task = 0, flags = 0;
             bool ok = f.GetCtrlIdInfo(2, &id, &task, &flags);
             out = list_text({id, task, flags});
             return ok;
         },
         {{1, {2}}},
         "80 56 17"},
        {"a short GetCtrlIdInfo answer",
         {{1, {{0x00, 0x50, 0x00}}}},
         [](C& f, std::string&) { return f.GetCtrlIdInfo(2, nullptr, nullptr, nullptr); },
         {{1, {2}}},
         "",
         kShort},
        {"GetCtrlIdReporting",
         {{get_reporting, {{0x00, 0x52, 0x03, 0x00, 0x53}}}},
         [](C& f, std::string& out) {
             CtrlIdReporting r;
             bool ok = f.GetCtrlIdReporting(0x52, &r);
             out = reporting_text(r);
             return ok;
         },
         {{get_reporting, {0x00, 0x52}}},
         "82 3 83"},
        {"a short GetCtrlIdReporting answer",
         {{get_reporting, {{0x00, 0x52, 0x03}}}},
         [](C& f, std::string&) { return f.GetCtrlIdReporting(0x52, nullptr); },
         {{get_reporting, {0x00, 0x52}}},
         "",
         kShort},
        {"SetCtrlIdReporting",
         {{3, {{0x00, 0x52, 0x03, 0x00, 0x53}}}},
         [](C& f, std::string&) {
             return f.SetCtrlIdReporting({0x52, 3, 0x53});
         },
         {{3, {0x00, 0x52, 0x03, 0x00, 0x53}}},
         ""},
    };
}

class KeyEvents : public Subscriber<IFeature1B03SpecialKeys::KeyReport>,
                  public Subscriber<IFeature1B04SpecialKeys::KeyReport>,
                  public Subscriber<IFeature1B04SpecialKeys::RawXYReport>,
                  public Subscriber<IFeature1B04SpecialKeys::SettingChange> {
public:
    void follow(const std::shared_ptr<Feature1B03SpecialKeys>& keys) {
        Subscriber<IFeature1B03SpecialKeys::KeyReport>::subscribe(keys, DeliverDirect, "Keys");
    }
    void follow(const std::shared_ptr<Feature1B04SpecialKeys>& keys) {
        Subscriber<IFeature1B04SpecialKeys::KeyReport>::subscribe(keys, DeliverDirect, "Keys");
        Subscriber<IFeature1B04SpecialKeys::RawXYReport>::subscribe(keys, DeliverDirect, "Keys");
        Subscriber<IFeature1B04SpecialKeys::SettingChange>::subscribe(keys, DeliverDirect, "Keys");
    }
    std::vector<std::string> published;

private:
    void onKeyChange(const std::vector<int>& ids) override {
        published.push_back("keys " + list_text(ids));
    }
    void onRawXY(int dx, int dy) override { published.push_back("xy " + list_text({dx, dy})); }
    void onSettingChange(unsigned id, const CtrlIdReporting& r) override {
        published.push_back("setting " + std::to_string(id) + " " + reporting_text(r));
    }
};

TEST(FeatureSpecialKeys1B03, OperationsEventsAndHeldChanges) {
    using C = Feature1B03SpecialKeys;
    run_operation_rows<C>(special_keys_rows<C>(4));

    DeviceHarness h;
    h.make_feature_based();
    KeyEvents events;
    events.follow(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {0, 0, {0x00, 0x52, 0x00, 0x53, 0x00, 0x00}, {"keys 82 83"}},
                          {0, 0, {0x00, 0x00}, {"keys "}},
                          {1, 0, {0x00, 0x10, 0xFF, 0xF0}, {}},
                      },
                      events.published);

    check_away_and_back<C>("Feature 0x1B03 caching pending change", 3,
                           [](C& f, int value) {
                               return f.SetCtrlIdReporting({0x52, value, 0});
                           },
                           2, {0x00, 0x52, 0x01, 0x00, 0x00});
}

TEST(FeatureSpecialKeys1B04, OperationsEventsAndHeldChanges) {
    using C = Feature1B04SpecialKeys;
    run_operation_rows<C>(special_keys_rows<C>(2));

    DeviceHarness h;
    h.make_feature_based();
    KeyEvents events;
    events.follow(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {0, 0, {0x00, 0x52, 0x00, 0x00}, {"keys 82"}},
                          {1, 0, {0x00, 0x10, 0xFF, 0xF0}, {"xy 16 -16"}},
                          {1, 0, {0x00, 0x10, 0xFF}, {}},
                          {3, kOtherProgram, {0x00, 0x52, 0x03, 0x00, 0x53}, {"setting 3 82 3 83"}},
                          {2, kOtherProgram, {0x00, 0x52, 0x03, 0x00, 0x53}, {}},
                      },
                      events.published);

    sys::DebugOutputCapture capture;
    check_away_and_back<C>("Feature 0x1B04 caching pending change", 3,
                           [](C& f, int value) {
                               return f.SetCtrlIdReporting({0x52, value, 0});
                           },
                           2, {0x00, 0x52, 0x01, 0x00, 0x00});
    EXPECT_GE(count_lines(capture, "device_configured = 0"), 1);
}

class TestResponses : public Subscriber<IFeature1800GenericTest::GenericResponse> {
public:
    std::vector<std::string> published;

private:
    void onTestResponse(const std::vector<Byte>& parameters) override {
        published.push_back("test " + std::to_string(parameters.at(0)));
    }
};

TEST(FeatureGenericTest, TheEchoIsCheckedAndEventsArePublished) {
    using C = Feature1800GenericTest;
    auto echo = [](std::vector<Byte> bytes) {
        return [bytes](C& f, std::string& out) {
            std::vector<Byte> answer;
            bool ok = f.TestEcho(bytes, &answer);
            out = answer.empty() ? "" : std::to_string(answer[0]) + " " + std::to_string(answer[1]);
            return ok;
        };
    };
    run_operation_rows<C>({
        {"an echo", {{0, {{0xA5, 0x5A}}}}, echo({0xA5, 0x5A}), {{0, {0xA5, 0x5A}}}, "165 90"},
        {"an answer that does not echo",
         {{0, {{0xA4, 0x5A}}}},
         echo({0xA5, 0x5A}),
         {{0, {0xA5, 0x5A}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"nothing to send", {}, echo({}), {}, "", kRefused},
        {"more than 16 bytes", {}, echo(std::vector<Byte>(17, 1)), {}, "", kRefused},
    });

    DeviceHarness h;
    h.make_feature_based();
    TestResponses events;
    events.subscribe(install_feature<C>(h), DeliverDirect, "Test");
    run_event_rows<C>(h, {{0, 0, {7}, {"test 7"}}, {0, kOtherProgram, {7}, {}}}, events.published);
}

TEST(FeatureEqualizer, Operations) {
    using C = Feature8310Equalizer;
    const std::vector<Byte> info{5, 12, 1};
    run_operation_rows<C>({
        {"getEQInfo",
         {{0, {info}}},
         [](C& f, std::string& out) {
             IFeature8310Equalizer::EQInfo i;
             bool ok = f.getEQInfo(&i);
             out = list_text({i.band_count, i.db_range, i.capabilities});
             return ok;
         },
         {{0, {}}},
         "5 12 1"},
        {"getFrequencies stops at the band count",
         {{0, {info}}, {1, {{3, 0x03, 0xE8, 0x0F, 0xA0, 0x1F, 0x40, 0x3E, 0x80}}}},
         [](C& f, std::string& out) {
             std::vector<int> found;
             bool ok = f.getFrequencies(3, &found);
             out = list_text(found);
             return ok;
         },
         {{0, {}}, {1, {3}}},
         "1000 4000"},
        {"getFrequencies of other bands",
         {{0, {info}}, {1, {{2, 0x03, 0xE8}}}},
         [](C& f, std::string&) { return f.getFrequencies(3, nullptr); },
         {{0, {}}, {1, {3}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"getGains",
         {{0, {info}}, {2, {{0xFD, 0, 3, 6, 0xF4}}}},
         [](C& f, std::string& out) {
             std::vector<int> gains;
             bool ok = f.getGains(&gains);
             out = list_text(gains);
             return ok;
         },
         {{0, {}}, {2, {}}},
         "-3 0 3 6 -12"},
        {"a short getGains answer",
         {{0, {info}}, {2, {{1, 2, 3}}}},
         [](C& f, std::string&) { return f.getGains(nullptr); },
         {{0, {}}, {2, {}}},
         "",
         kShort},
        {"setGains",
         {{3, {{}}}},
         [](C& f, std::string&) {
             return f.setGains({-3, 0, 4});
         },
         {{3, {0xFD, 0, 4}}},
         ""},
        {"getEQEnabled",
         {{4, {{1}}}},
         [](C& f, std::string& out) {
             bool enabled = false;
             bool ok = f.getEQEnabled(&enabled);
             out = list_text({enabled ? 1 : 0});
             return ok;
         },
         {{4, {}}},
         "1"},
        {"setEQEnabled",
         {{5, {{}}}},
         [](C& f, std::string&) { return f.setEQEnabled(1); },
         {{5, {1}}},
         ""},
        {"setEQEnabled of 2",
         {},
         [](C& f, std::string&) { return f.setEQEnabled(2); },
         {},
         "",
         kRefused},
    });
}

class AttachmentEvents : public Subscriber<IFeature8120GamingAttachments::Report> {
public:
    std::vector<std::string> published;

private:
    void onAttachmentChanged(const std::vector<int>& kinds) override {
        published.push_back("attached " + list_text(kinds));
    }
};

TEST(FeatureGamingAttachments, ListsAreCheckedInAnswersAndEvents) {
    using C = Feature8120GamingAttachments;
    auto attached = [](C& f, std::string& out) {
        std::vector<int> kinds{99};
        bool ok = f.GetAttachments(&kinds);
        out = list_text(kinds);
        return ok;
    };
    run_operation_rows<C>({
        {"GetAttachments", {{0, {{2, 1, 4}}}}, attached, {{0, {}}}, "1 4"},
        {"no attachment", {{0, {{0}}}}, attached, {{0, {}}}, ""},
        {"a kind outside 1..4 empties the list",
         {{0, {{2, 1, 5}}}},
         attached,
         {{0, {}}},
         "",
         kRefused},
        {"a count beyond the answer", {{0, {{4, 1, 2}}}}, attached, {{0, {}}}, "", kShort},
        {"GetSupportedAttachments",
         {{1, {{3, 1, 2, 3}}}},
         [](C& f, std::string& out) {
             std::vector<int> kinds;
             bool ok = f.GetSupportedAttachments(&kinds);
             out = list_text(kinds);
             return ok;
         },
         {{1, {}}},
         "1 2 3"},
        {"SetAttachmentReporting",
         {{2, {{}}}},
         [](C& f, std::string&) { return f.SetAttachmentReporting(true); },
         {{2, {1}}},
         ""},
    });
    std::vector<int> kinds;
    EXPECT_FALSE(C::parse_list({20, 1, 1}, kinds)) << "a count past any answer";
    EXPECT_EQ(last_error().code, kShort);
    EXPECT_FALSE(C::parse_list({2, 1, 0}, kinds));
    EXPECT_TRUE(kinds.empty());

    DeviceHarness h;
    h.make_feature_based();
    AttachmentEvents events;
    events.subscribe(install_feature<C>(h), DeliverDirect, "Attachments");
    run_event_rows<C>(h,
                      {
                          {0, 0, {1, 3}, {"attached 3"}},
                          {0, 0, {1, 9}, {}},
                          {1, 0, {1, 3}, {}},
                      },
                      events.published);
}

} // namespace
} // namespace devio::test

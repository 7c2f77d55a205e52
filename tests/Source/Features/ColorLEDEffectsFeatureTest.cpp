// The color-LED-effects class 0x8070: its seventeen operations, the zone checks made before
// anything is sent and on every answer about a zone, and its effect event.
#include <gtest/gtest.h>

#include "Source/Features/Feature8070ColorLEDEffects.h"
#include "support/FeatureRows.h"

namespace devio::test {
namespace {

using C = Feature8070ColorLEDEffects;
using Answers = std::map<unsigned, std::vector<std::vector<Byte>>>;

constexpr ErrorCode kShort = ErrorCode::CommandResponseTooShort;
constexpr ErrorCode kRefused = rap20_error(2);

// Two zones.
const std::vector<Byte> kInfo{2, 1, 0};

Answers with_info(Answers more) {
    more[0] = {kInfo};
    return more;
}

std::vector<Sent> after_info(std::vector<Sent> more) {
    more.insert(more.begin(), Sent{0, {}});
    return more;
}

std::string list_text(const std::vector<int>& values) {
    std::string out;
    for (int v : values) {
        out += (out.empty() ? "" : " ") + std::to_string(v);
    }
    return out;
}

std::function<bool(C&, std::string&)> reads(std::function<bool(C&, int*, int*, int*)> call) {
    return [call](C& f, std::string& out) {
        int a = 0, b = 0, c = 0;
        bool ok = call(f, &a, &b, &c);
        out = list_text({a, b, c});
        return ok;
    };
}

std::function<bool(C&, std::string&)> reads_one(std::function<bool(C&, int*)> call) {
    return [call](C& f, std::string& out) {
        int value = 0;
        bool ok = call(f, &value);
        out = std::to_string(value);
        return ok;
    };
}

TEST(FeatureColorLEDEffects, Operations) {
    run_operation_rows<C>({
        {"GetInfo",
         {{0, {kInfo}}},
         reads([](C& f, int* a, int* b, int* c) { return f.GetInfo(a, b, c); }),
         {{0, {}}},
         "2 1 0"},
        {"GetZoneInfo", with_info({{1, {{1, 0x00, 0x02, 4, 1}}}}),
         reads([](C& f, int* a, int* b, int* c) { return f.GetZoneInfo(1, a, b, c); }),
         after_info({{1, {1}}}), "2 4 1"},
        {"GetZoneInfo of the zone count", with_info({}),
         [](C& f, std::string&) { return f.GetZoneInfo(2, nullptr, nullptr, nullptr); },
         after_info({}), "", kRefused},
        {"GetZoneInfo of zone -1", with_info({}),
         [](C& f, std::string&) { return f.GetZoneInfo(-1, nullptr, nullptr, nullptr); },
         after_info({}), "", kRefused},
        {"a zone answer of 4 bytes", with_info({{1, {{1, 0, 2}}}}),
         [](C& f, std::string&) { return f.GetZoneInfo(1, nullptr, nullptr, nullptr); },
         after_info({{1, {1}}}), "", kShort},
        {"a zone answer for another zone", with_info({{1, {{0, 0x00, 0x02, 4, 1}}}}),
         [](C& f, std::string&) { return f.GetZoneInfo(1, nullptr, nullptr, nullptr); },
         after_info({{1, {1}}}), "", ErrorCode::InvalidDeviceData},
        {"GetZoneEffectInfo", with_info({{2, {{0, 3, 0x00, 0x0A, 0x00, 0x03, 0x03, 0xE8}}}}),
         reads([](C& f, int* a, int* b, int* c) { return f.GetZoneEffectInfo(0, 3, a, b, c); }),
         after_info({{2, {0, 3}}}), "10 3 1000"},
        {"SetZoneEffect", with_info({{3, {{}}}}),
         [](C& f, std::string&) {
             return f.SetZoneEffect(1, 2, {0xFF, 0, 0});
         },
         after_info({{3, {1, 2, 0xFF, 0, 0}}}), ""},
        {"SetZoneEffect with 11 parameter bytes", with_info({}),
         [](C& f, std::string&) { return f.SetZoneEffect(1, 2, std::vector<Byte>(11, 1)); },
         after_info({}), "", kRefused},
        {"GetZoneEffect", with_info({{4, {{1, 2, 0xFF, 0x80, 0x00}}}}),
         [](C& f, std::string& out) {
             int effect = 0;
             std::vector<Byte> parameters;
             bool ok = f.GetZoneEffect(1, &effect, &parameters);
             out = list_text({effect, parameters.at(0), parameters.at(1)});
             return ok;
         },
         after_info({{4, {1}}}), "2 255 128"},
        {"GetNvConfig",
         {{5, {{0, 3, 1}}}},
         [](C& f, std::string& out) {
             int caps = 0, value = 0;
             bool ok = f.GetNvConfig(&caps, &value);
             out = list_text({caps, value});
             return ok;
         },
         {{5, {0}}},
         "3 1"},
        {"SetNvConfig",
         {{5, {{}}}},
         [](C& f, std::string&) { return f.SetNvConfig(2); },
         {{5, {1, 0, 2}}},
         ""},
        {"GetSWControl",
         {{6, {{0, 1}}}},
         [](C& f, std::string& out) {
             bool enabled = false;
             bool ok = f.GetSWControl(&enabled);
             out = enabled ? "1" : "0";
             return ok;
         },
         {{6, {0}}},
         "1"},
        {"SetSWControl",
         {{6, {{}}}},
         [](C& f, std::string&) { return f.SetSWControl(true); },
         {{6, {1, 1}}},
         ""},
        {"GetEffectSyncCorrection",
         {{7, {{0x01, 0x02}}}},
         reads_one([](C& f, int* v) { return f.GetEffectSyncCorrection(v); }),
         {{7, {}}},
         "258"},
        {"SetEffectSyncCorrection",
         {{8, {{}}}},
         [](C& f, std::string&) { return f.SetEffectSyncCorrection(0x0102); },
         {{8, {1, 2}}},
         ""},
        {"GetZoneBrightness", with_info({{9, {{1, 80}}}}),
         reads_one([](C& f, int* v) { return f.GetZoneBrightness(1, v); }), after_info({{9, {1}}}),
         "80"},
        {"SetZoneBrightness", with_info({{10, {{}}}}),
         [](C& f, std::string&) { return f.SetZoneBrightness(0, 50); }, after_info({{10, {0, 50}}}),
         ""},
        {"SetZoneBrightness of zone 5", with_info({}),
         [](C& f, std::string&) { return f.SetZoneBrightness(5, 50); }, after_info({}), "",
         kRefused},
        {"GetIdleTimeout",
         {{11, {{0x01, 0x2C}}}},
         reads_one([](C& f, int* v) { return f.GetIdleTimeout(v); }),
         {{11, {}}},
         "300"},
        {"SetIdleTimeout",
         {{12, {{}}}},
         [](C& f, std::string&) { return f.SetIdleTimeout(60); },
         {{12, {0, 60}}},
         ""},
        {"StartEffectSync",
         {{13, {{}}}},
         [](C& f, std::string&) { return f.StartEffectSync(); },
         {{13, {}}},
         ""},
        {"ResetToDefaults",
         {{14, {{}}}},
         [](C& f, std::string&) { return f.ResetToDefaults(); },
         {{14, {}}},
         ""},
    });
}

TEST(FeatureColorLEDEffects, EffectEventsArePublished) {
    class Events : public Subscriber<IFeature8070ColorLEDEffects::Report> {
    public:
        std::vector<std::string> published;

    private:
        void onEffectChange(int zone, int effect) override {
            published.push_back("effect " + list_text({zone, effect}));
        }
    };
    DeviceHarness h;
    h.make_feature_based();
    Events events;
    events.subscribe(install_feature<C>(h), DeliverDirect, "Effects");
    run_event_rows<C>(h, {{0, 0, {1, 4}, {"effect 1 4"}}, {1, 0, {1, 4}, {}}, {0, 3, {1, 4}, {}}},
                      events.published);
}

} // namespace
} // namespace devio::test

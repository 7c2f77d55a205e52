// The catalogue's classes that publish events, from the device's reports and from other
// programs' answers: crypto identifier, change host, 3D sensor, surface tuning, rotor, hybrid
// tracking, the touch pad's raw positions, force feedback and firmware properties. One table per
// class for its operations and one for its events.
#include <gtest/gtest.h>

#include "Source/Features/Feature0021CryptoIdentifier.h"
#include "Source/Features/Feature1814ChangeHost.h"
#include "Source/Features/Feature1A013DSensor.h"
#include "Source/Features/Feature1F1FFirmwareProperties.h"
#include "Source/Features/Feature2240SurfaceTuning.h"
#include "Source/Features/Feature2400HybridTracking.h"
#include "Source/Features/Feature4600Rotor.h"
#include "Source/Features/Feature6100TouchPadRawXY.h"
#include "Source/Features/Feature8123ForceFeedback.h"
#include "support/FeatureRows.h"

namespace devio::test {
namespace {

constexpr ErrorCode kShort = ErrorCode::CommandResponseTooShort;
constexpr unsigned kOtherProgram = 3;

std::string list_text(const std::vector<int>& values) {
    std::string out;
    for (int v : values) {
        out += (out.empty() ? "" : " ") + std::to_string(v);
    }
    return out;
}

std::string bytes_text(const std::vector<Byte>& bytes) {
    return list_text(std::vector<int>(bytes.begin(), bytes.end()));
}

// Collects what one class publishes, as texts.
template <class Event>
class Published : public Subscriber<Event> {
public:
    template <class F>
    explicit Published(const std::shared_ptr<F>& feature) {
        this->subscribe(feature, DeliverDirect, "Published");
    }
    std::vector<std::string> published;
};

class RegenEvents : public Published<IFeature0021CryptoIdentifier::RegenDetect> {
    using Published::Published;
    void onRegenerateIdentifier(unsigned id) override {
        published.push_back("regenerated " + std::to_string(id));
    }

public:
    using Published::published;
};

TEST(FeatureCryptoIdentifier, OperationsAndOtherProgramsRegeneration) {
    using C = Feature0021CryptoIdentifier;
    std::vector<Byte> id{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    run_operation_rows<C>({
        {"GetIdentifier",
         {{1, {id}}},
         [](C& f, std::string& out) {
             std::vector<Byte> read;
             bool ok = f.GetIdentifier(&read);
             out = bytes_text(read);
             return ok;
         },
         {{1, {}}},
         "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16"},
        {"a short GetIdentifier answer",
         {{1, {{1, 2, 3}}}},
         [](C& f, std::string&) { return f.GetIdentifier(nullptr); },
         {{1, {}}},
         "",
         kShort},
        {"RegenerateIdentifier",
         {{2, {{}}}},
         [](C& f, std::string&) { return f.RegenerateIdentifier(); },
         {{2, {}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    RegenEvents events(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {2, kOtherProgram, {}, {"regenerated 3"}},
                          {1, kOtherProgram, {}, {}},
                          {2, 0, {}, {}},
                      },
                      events.published);
}

class CookieEvents : public Published<IFeature1814ChangeHost::CookieChange> {
    using Published::Published;
    void onCookieChange(unsigned id, int host, int cookie) override {
        published.push_back("cookie " + list_text({static_cast<int>(id), host, cookie}));
    }

public:
    using Published::published;
};

TEST(FeatureChangeHost, OperationsAndOtherProgramsCookies) {
    using C = Feature1814ChangeHost;
    run_operation_rows<C>({
        {"GetHostInfo",
         {{0, {{3, 1}}}},
         [](C& f, std::string& out) {
             int count = 0, current = 0;
             bool ok = f.GetHostInfo(&count, &current);
             out = list_text({count, current});
             return ok;
         },
         {{0, {}}},
         "3 1"},
        {"SetCurrentHost is not answered",
         {},
         [](C& f, std::string&) { return f.SetCurrentHost(2); },
         {{1, {2}}},
         ""},
        {"GetCookies of the hosts there are",
         {{0, {{2, 0}}}, {2, {{0x11, 0x22, 0x33}}}},
         [](C& f, std::string& out) {
             std::vector<int> cookies;
             bool ok = f.GetCookies(&cookies);
             out = list_text(cookies);
             return ok;
         },
         {{0, {}}, {2, {}}},
         "17 34"},
        {"a short GetCookies answer",
         {{0, {{5, 0}}}, {2, {{1, 2, 3}}}},
         [](C& f, std::string&) { return f.GetCookies(nullptr); },
         {{0, {}}, {2, {}}},
         "",
         kShort},
        {"SetCookie",
         {{3, {{}}}},
         [](C& f, std::string&) { return f.SetCookie(1, 0x42); },
         {{3, {1, 0x42}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    CookieEvents events(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {3, kOtherProgram, {1, 0x42}, {"cookie 3 1 66"}},
                          {2, kOtherProgram, {1, 0x42}, {}},
                      },
                      events.published);
}

class RotorEvents : public Published<IFeature4600Rotor::RotorEvent> {
    using Published::Published;
    void onRotorEvent(int rotor, int steps, bool pressed) override {
        published.push_back("rotor " + list_text({rotor, steps, pressed ? 1 : 0}));
    }
    void onModeChanged(unsigned id, const std::vector<Byte>& bytes) override {
        published.push_back("mode " + std::to_string(id) + " " + bytes_text(bytes));
    }

public:
    using Published::published;
};

TEST(FeatureRotor, OperationsEventsAndOtherProgramsModes) {
    using C = Feature4600Rotor;
    run_operation_rows<C>({
        {"GetInfo",
         {{0, {{2, 5}}}},
         [](C& f, std::string& out) {
             int count = 0, caps = 0;
             bool ok = f.GetInfo(&count, &caps);
             out = list_text({count, caps});
             return ok;
         },
         {{0, {}}},
         "2 5"},
        {"GetMode",
         {{1, {{1, 3}}}},
         [](C& f, std::string& out) {
             int mode = 0;
             bool ok = f.GetMode(1, &mode);
             out = list_text({mode});
             return ok;
         },
         {{1, {1}}},
         "3"},
        {"SetMode",
         {{2, {{1, 2}}}},
         [](C& f, std::string&) { return f.SetMode(1, 2); },
         {{2, {1, 2}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    RotorEvents events(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {0, 0, {1, 0xFF, 0xFD, 1}, {"rotor 1 -3 1"}},
                          {0, 0, {1, 0xFF, 0xFD}, {}},
                          {2, kOtherProgram, {1, 2, 3, 4, 5, 6}, {"mode 3 1 2 3 4 5"}},
                          {1, kOtherProgram, {1, 2, 3, 4, 5}, {}},
                      },
                      events.published);
}

class HybridEvents : public Published<IFeature2400HybridTracking::Report> {
    using Published::Published;
    void onHybridRawData(const std::vector<Byte>& data) override {
        published.push_back("raw " + bytes_text(data));
    }
    void onHybridStateChange(int state) override {
        published.push_back("state " + std::to_string(state));
    }

public:
    using Published::published;
};

TEST(FeatureHybridTracking, OperationsAndEvents) {
    using C = Feature2400HybridTracking;
    run_operation_rows<C>({
        {"IsHybridEngineEnabled",
         {{0, {{1}}}},
         [](C& f, std::string& out) {
             bool enabled = false;
             bool ok = f.IsHybridEngineEnabled(&enabled);
             out = list_text({enabled ? 1 : 0});
             return ok;
         },
         {{0, {}}},
         "1"},
        {"EnableHybridEngine",
         {{1, {{}}}},
         [](C& f, std::string&) { return f.EnableHybridEngine(true); },
         {{1, {1}}},
         ""},
        {"GetHybridReportingMode",
         {{2, {{2}}}},
         [](C& f, std::string& out) {
             int mode = 0;
             bool ok = f.GetHybridReportingMode(&mode);
             out = list_text({mode});
             return ok;
         },
         {{2, {}}},
         "2"},
        {"SetHybridReportingMode",
         {{3, {{}}}},
         [](C& f, std::string&) { return f.SetHybridReportingMode(4); },
         {{3, {4}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    HybridEvents events(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {0, 0, {9, 8, 7}, {"raw 9 8 7"}},
                          {1, 0, {2}, {"state 2"}},
                          {3, 0, {2}, {}},
                      },
                      events.published);
}

class TouchEvents : public Published<IFeature6100TouchPadRawXY::Report> {
    using Published::Published;
    void onDualXYData(int x1, int y1, int x2, int y2) override {
        published.push_back("xy " + list_text({x1, y1, x2, y2}));
    }
    void onModeChanged(unsigned id, int state) override {
        published.push_back("mode " + list_text({static_cast<int>(id), state}));
    }

public:
    using Published::published;
};

TEST(FeatureTouchPadRawXY, OperationsEventsAndOtherProgramsModes) {
    using C = Feature6100TouchPadRawXY;
    run_operation_rows<C>({
        {"GetTouchPadInfo",
         {{0, {{0x04, 0x00, 0x02, 0x80}}}},
         [](C& f, std::string& out) {
             int x = 0, y = 0;
             bool ok = f.GetTouchPadInfo(&x, &y);
             out = list_text({x, y});
             return ok;
         },
         {{0, {}}},
         "1024 640"},
        {"a short GetTouchPadInfo answer",
         {{0, {{4, 0, 2}}}},
         [](C& f, std::string&) { return f.GetTouchPadInfo(nullptr, nullptr); },
         {{0, {}}},
         "",
         kShort},
        {"GetRawReportState",
         {{1, {{1}}}},
         [](C& f, std::string& out) {
             int state = 0;
             bool ok = f.GetRawReportState(&state);
             out = list_text({state});
             return ok;
         },
         {{1, {}}},
         "1"},
        {"SetRawReportStateNow",
         {{2, {{}}}},
         [](C& f, std::string&) { return f.SetRawReportStateNow(1); },
         {{2, {1}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    TouchEvents events(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {0, 0, {0, 10, 0, 20, 1, 0, 0, 30}, {"xy 10 20 256 30"}},
                          {0, 0, {0, 10, 0, 20}, {}},
                          {2, kOtherProgram, {1}, {"mode 3 1"}},
                      },
                      events.published);
}

class SensorEvents : public Subscriber<IFeature1A013DSensor::Notif1Report>,
                     public Subscriber<IFeature1A013DSensor::RawXYZReport>,
                     public Subscriber<IFeature1A013DSensor::Notif2Report> {
public:
    explicit SensorEvents(const std::shared_ptr<Feature1A013DSensor>& sensor) {
        Subscriber<IFeature1A013DSensor::Notif1Report>::subscribe(sensor, DeliverDirect, "3D");
        Subscriber<IFeature1A013DSensor::RawXYZReport>::subscribe(sensor, DeliverDirect, "3D");
        Subscriber<IFeature1A013DSensor::Notif2Report>::subscribe(sensor, DeliverDirect, "3D");
    }
    std::vector<std::string> published;

private:
    void onNotif1(const std::vector<Byte>& data) override {
        published.push_back("notif1 " + std::to_string(data.at(0)));
    }
    void onRawXYZReport(int x, int y, int z) override {
        published.push_back("xyz " + list_text({x, y, z}));
    }
    void onNotif2(const std::vector<Byte>& data) override {
        published.push_back("notif2 " + std::to_string(data.at(0)));
    }
};

TEST(Feature3DSensor, OperationsAndEvents) {
    using C = Feature1A013DSensor;
    run_operation_rows<C>({
        {"GetSensorInfo",
         {{0, {{3, 0x08, 0x00}}}},
         [](C& f, std::string& out) {
             int axes = 0, range = 0;
             bool ok = f.GetSensorInfo(&axes, &range);
             out = list_text({axes, range});
             return ok;
         },
         {{0, {}}},
         "3 2048"},
        {"GetMode",
         {{1, {{2}}}},
         [](C& f, std::string& out) {
             int mode = 0;
             bool ok = f.GetMode(&mode);
             out = list_text({mode});
             return ok;
         },
         {{1, {}}},
         "2"},
        {"SetMode", {{2, {{}}}}, [](C& f, std::string&) { return f.SetMode(1); }, {{2, {1}}}, ""},
        {"GetCalibration",
         {{3, {{0x00, 0x05, 0xFF, 0xFB, 0x01, 0x00}}}},
         [](C& f, std::string& out) {
             int x = 0, y = 0, z = 0;
             bool ok = f.GetCalibration(&x, &y, &z);
             out = list_text({x, y, z});
             return ok;
         },
         {{3, {}}},
         "5 -5 256"},
        {"a short GetCalibration answer",
         {{3, {{0, 5, 0}}}},
         [](C& f, std::string&) { return f.GetCalibration(nullptr, nullptr, nullptr); },
         {{3, {}}},
         "",
         kShort},
        {"StartCalibration",
         {{4, {{}}}},
         [](C& f, std::string&) { return f.StartCalibration(); },
         {{4, {}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    SensorEvents events(install_feature<C>(h));
    run_event_rows<C>(h,
                      {
                          {0, 0, {7}, {"notif1 7"}},
                          {1, 0, {0xFF, 0xFF, 0, 2, 0, 3}, {"xyz -1 2 3"}},
                          {1, 0, {0xFF, 0xFF, 0}, {}},
                          {2, 0, {9}, {"notif2 9"}},
                      },
                      events.published);
}

class CalibrationEvents : public Published<IFeature2240SurfaceTuning::Report> {
    using Published::Published;
    void onShutterCalibrationDone(int result) override {
        published.push_back("shutter " + std::to_string(result));
    }
    void onSqualCalibrationDone(int result) override {
        published.push_back("squal " + std::to_string(result));
    }

public:
    using Published::published;
};

TEST(FeatureSurfaceTuning, OperationsAndCalibrationEvents) {
    using C = Feature2240SurfaceTuning;
    run_operation_rows<C>({
        {"GetCapabilities",
         {{0, {{3}}}},
         [](C& f, std::string& out) {
             int caps = 0;
             bool ok = f.GetCapabilities(&caps);
             out = list_text({caps});
             return ok;
         },
         {{0, {}}},
         "3"},
        {"GetSurfaceMode",
         {{1, {{1}}}},
         [](C& f, std::string& out) {
             int mode = 0;
             bool ok = f.GetSurfaceMode(&mode);
             out = list_text({mode});
             return ok;
         },
         {{1, {}}},
         "1"},
        {"SetSurfaceMode",
         {{2, {{}}}},
         [](C& f, std::string&) { return f.SetSurfaceMode(2); },
         {{2, {2}}},
         ""},
        {"StartShutterCalibration",
         {{3, {{}}}},
         [](C& f, std::string&) { return f.StartShutterCalibration(); },
         {{3, {}}},
         ""},
        {"StartSqualCalibration",
         {{4, {{}}}},
         [](C& f, std::string&) { return f.StartSqualCalibration(); },
         {{4, {}}},
         ""},
        {"GetCalibrationData",
         {{5, {{1, 0x00, 0x40, 0x01, 0x00}}}},
         [](C& f, std::string& out) {
             int shutter = 0, squal = 0;
             bool ok = f.GetCalibrationData(1, &shutter, &squal);
             out = list_text({shutter, squal});
             return ok;
         },
         {{5, {1}}},
         "64 256"},
        {"GetCalibrationData of another slot",
         {{5, {{0, 0x00, 0x40, 0x01, 0x00}}}},
         [](C& f, std::string&) { return f.GetCalibrationData(1, nullptr, nullptr); },
         {{5, {1}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"a short GetCalibrationData answer",
         {{5, {{1, 0, 0x40}}}},
         [](C& f, std::string&) { return f.GetCalibrationData(1, nullptr, nullptr); },
         {{5, {1}}},
         "",
         kShort},
        {"ResetCalibration",
         {{6, {{}}}},
         [](C& f, std::string&) { return f.ResetCalibration(); },
         {{6, {}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    CalibrationEvents events(install_feature<C>(h));
    run_event_rows<C>(h, {{0, 0, {1}, {"shutter 1"}}, {1, 0, {0}, {"squal 0"}}, {2, 0, {1}, {}}},
                      events.published);
}

class ForceEvents : public Published<IFeature8123ForceFeedback::ForceNotification> {
    using Published::Published;
    void onExpiredForces(const std::vector<int>& ids) override {
        published.push_back("expired " + list_text(ids));
    }

public:
    using Published::published;
};

TEST(FeatureForceFeedback, OperationsAndExpiredForces) {
    using C = Feature8123ForceFeedback;
    auto word = [](bool (C::*get)(int*)) {
        return [get](C& f, std::string& out) {
            int value = 0;
            bool ok = (f.*get)(&value);
            out = std::to_string(value);
            return ok;
        };
    };
    run_operation_rows<C>({
        {"GetInfo",
         {{0, {{4, 1}}}},
         [](C& f, std::string& out) {
             int slots = 0, state = 0;
             bool ok = f.GetInfo(&slots, &state);
             out = list_text({slots, state});
             return ok;
         },
         {{0, {}}},
         "4 1"},
        {"ResetAll", {{1, {{}}}}, [](C& f, std::string&) { return f.ResetAll(); }, {{1, {}}}, ""},
        {"DownloadEffect",
         {{2, {{3}}}},
         [](C& f, std::string& out) {
             int id = 0;
             bool ok = f.DownloadEffect({0x10, 0x20}, &id);
             out = std::to_string(id);
             return ok;
         },
         {{2, {0x10, 0x20}}},
         "3"},
        {"DownloadEffect of 15 bytes",
         {},
         [](C& f, std::string&) { return f.DownloadEffect(std::vector<Byte>(15, 1), nullptr); },
         {},
         "",
         rap20_error(2)},
        {"SetEffectState",
         {{3, {{}}}},
         [](C& f, std::string&) { return f.SetEffectState(3, 1); },
         {{3, {3, 1}}},
         ""},
        {"DestroyEffect",
         {{4, {{}}}},
         [](C& f, std::string&) { return f.DestroyEffect(3); },
         {{4, {3}}},
         ""},
        {"GetAperture", {{5, {{0x03, 0x84}}}}, word(&C::GetAperture), {{5, {0}}}, "900"},
        {"SetAperture",
         {{5, {{}}}},
         [](C& f, std::string&) { return f.SetAperture(540); },
         {{5, {1, 0x02, 0x1C}}},
         ""},
        {"GetGlobalGain", {{6, {{0x00, 0x64}}}}, word(&C::GetGlobalGain), {{6, {0}}}, "100"},
        {"SetGlobalGain",
         {{6, {{}}}},
         [](C& f, std::string&) { return f.SetGlobalGain(50); },
         {{6, {1, 0, 50}}},
         ""},
        {"GetEffectState",
         {{7, {{3, 2}}}},
         [](C& f, std::string& out) {
             int state = 0;
             bool ok = f.GetEffectState(3, &state);
             out = std::to_string(state);
             return ok;
         },
         {{7, {3}}},
         "2"},
        {"GetEffectState of another effect",
         {{7, {{4, 2}}}},
         [](C& f, std::string&) { return f.GetEffectState(3, nullptr); },
         {{7, {3}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"GetBoost", {{8, {{0x00, 0x02}}}}, word(&C::GetBoost), {{8, {0}}}, "2"},
        {"SetBoost",
         {{8, {{}}}},
         [](C& f, std::string&) { return f.SetBoost(1); },
         {{8, {1, 0, 1}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    ForceEvents events(install_feature<C>(h));
    run_event_rows<C>(h, {{0, 0, {3, 5, 0}, {"expired 3 5"}}, {1, 0, {3}, {}}}, events.published);
}

class PropertyEvents : public Subscriber<IFeature1F1FFirmwareProperties::Report>,
                       public Subscriber<IFirmwareProperty::Notification> {
public:
    std::vector<std::string> published;

private:
    void onPropertyEvent(int id, const std::vector<Byte>& data) override {
        published.push_back("event " + std::to_string(id) + " " + bytes_text(data));
    }
    void onPropertyChanged(int id) override {
        published.push_back("changed " + std::to_string(id));
    }
};

TEST(FeatureFirmwareProperties, OperationsEventsAndPropertyObjects) {
    using C = Feature1F1FFirmwareProperties;
    run_operation_rows<C>({
        {"GetCount",
         {{0, {{3}}}},
         [](C& f, std::string& out) {
             int count = 0;
             bool ok = f.GetCount(&count);
             out = std::to_string(count);
             return ok;
         },
         {{0, {}}},
         "3"},
        {"GetPropertyInfo",
         {{1, {{2, 7, 0x01, 0x00, 3}}}},
         [](C& f, std::string& out) {
             IFeature1F1FFirmwareProperties::PropertyInfo info;
             bool ok = f.GetPropertyInfo(2, &info);
             out = list_text({info.id, info.size, info.flags});
             return ok;
         },
         {{1, {2}}},
         "7 256 3"},
        {"GetPropertyInfo of another index",
         {{1, {{1, 7, 0x01, 0x00, 3}}}},
         [](C& f, std::string&) { return f.GetPropertyInfo(2, nullptr); },
         {{1, {2}}},
         "",
         ErrorCode::InvalidDeviceData},
        {"a short GetPropertyInfo answer",
         {{1, {{2, 7, 1}}}},
         [](C& f, std::string&) { return f.GetPropertyInfo(2, nullptr); },
         {{1, {2}}},
         "",
         kShort},
        {"ReadProperty",
         {{2, {{7, 'a', 'b'}}}},
         [](C& f, std::string& out) {
             std::vector<Byte> data;
             bool ok = f.ReadProperty(7, 0x0102, &data);
             out = std::string(data.begin(), data.begin() + 2);
             return ok;
         },
         {{2, {7, 1, 2}}},
         "ab"},
        {"WriteProperty",
         {{3, {{}}}},
         [](C& f, std::string&) {
             return f.WriteProperty(7, 0, {'x', 'y'});
         },
         {{3, {7, 0, 0, 'x', 'y'}}},
         ""},
        {"WriteProperty of 13 bytes",
         {},
         [](C& f, std::string&) { return f.WriteProperty(7, 0, std::vector<Byte>(13, 1)); },
         {},
         "",
         rap20_error(2)},
        {"DeleteProperty",
         {{4, {{}}}},
         [](C& f, std::string&) { return f.DeleteProperty(7); },
         {{4, {7}}},
         ""},
        {"LockProperty",
         {{5, {{}}}},
         [](C& f, std::string&) { return f.LockProperty(7); },
         {{5, {7}}},
         ""},
        {"SetPropertyNotifications",
         {{6, {{}}}},
         [](C& f, std::string&) { return f.SetPropertyNotifications(7, true); },
         {{6, {7, 1}}},
         ""},
    });
    DeviceHarness h;
    h.make_feature_based();
    auto properties = install_feature<C>(h);
    std::shared_ptr<IFirmwareProperty> seven = properties->property(7);
    EXPECT_EQ(properties->property(7), seven) << "one object per property";
    PropertyEvents events;
    events.Subscriber<IFeature1F1FFirmwareProperties::Report>::subscribe(properties, DeliverDirect,
                                                                         "Properties");
    events.Subscriber<IFirmwareProperty::Notification>::subscribe(
        std::dynamic_pointer_cast<FirmwareProperty>(seven), DeliverDirect, "Property");
    run_event_rows<C>(h,
                      {
                          {0, 0, {7, 1}, {"event 7 1 0", "changed 7"}},
                          {0, 0, {8, 1}, {"event 8 1 0"}},
                          {1, 0, {7, 1}, {}},
                      },
                      events.published);
    events.Subscriber<IFirmwareProperty::Notification>::unsubscribe(
        std::dynamic_pointer_cast<FirmwareProperty>(seven));
}

} // namespace
} // namespace devio::test

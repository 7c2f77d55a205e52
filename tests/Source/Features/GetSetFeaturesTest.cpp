// The simple get-and-set feature classes as one family: what each operation sends, what it makes
// of the device's answer, which answers it keeps in the response cache, how a short or failed
// answer is refused and logged, the events the classes publish, and the configuration the setting
// classes claim before they write.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "Source/Features/Feature0007DeviceFriendlyName.h"
#include "Source/Features/Feature0020ConfigChange.h"
#include "Source/Features/Feature1001BatteryVoltage.h"
#include "Source/Features/Feature1805OOBState.h"
#include "Source/Features/Feature1806ConfigurableDeviceProperties.h"
#include "Source/Features/Feature1981KeyboardBacklight.h"
#include "Source/Features/Feature1982Backlight.h"
#include "Source/Features/Feature1983KeyboardBacklight.h"
#include "Source/Features/Feature1A00PresenterControl.h"
#include "Source/Features/Feature1B00SpecialKeys.h"
#include "Source/Features/Feature1BC0ReportHIDUsages.h"
#include "Source/Features/Feature1C00PersistentRemappableAction.h"
#include "Source/Features/Feature1E00EnableHiddenFeatures.h"
#include "Source/Features/Feature1F20ADCMeasurement.h"
#include "Source/Features/Feature2006PointerAxesOrientation.h"
#include "Source/Features/Feature2110Shiftwell.h"
#include "Source/Features/Feature2130RatchetWheel.h"
#include "Source/Features/Feature2205PointerMotionScaling.h"
#include "Source/Features/Feature2230AngleSnapping.h"
#include "Source/Features/Feature40A0FnInversion.h"
#include "Source/Features/Feature40A3FnInversion.h"
#include "Source/Features/Feature4220LockKeyState.h"
#include "Source/Features/Feature4522DisableKeysByUsage.h"
#include "Source/Features/Feature4530DualPlatform.h"
#include "Source/Features/Feature4531MultiPlatform.h"
#include "Source/Features/Feature4540KBLayout.h"
#include "Source/Features/Feature6010Gestures.h"
#include "Source/Features/Feature6012Gestures.h"
#include "Source/Features/Feature6500Gestures.h"
#include "Source/Features/Feature8010Macrokey.h"
#include "Source/Features/Feature8020Mkeys.h"
#include "Source/Features/Feature8030MR.h"
#include "Source/Features/Feature8060ReportRate.h"
#include "Source/Features/Feature8080PerKeyLighting.h"
#include "Source/Features/Feature8090ModeStatus.h"
#include "Source/Features/Feature8110MouseButtonSpy.h"
#include "Source/Features/Feature8111LatencyMonitoring.h"
#include "Source/Features/Feature8300Sidetone.h"
#include "Source/Rap/FeatureFactory.h"
#include "Source/System/DebugOutput.h"
#include "support/DeviceHarness.h"
#include "support/LogLines.h"

namespace devio::test {
namespace {

using Answer = FakeHardwareDevice::Answer;
using Bytes = std::vector<Byte>;

// Every output an operation may have; an operation fills those it has.
struct Outputs {
    int a = 0;
    int b = 0;
    int c = 0;
    bool p = false;
    bool q = false;
    std::string s{};
    Bytes v{};
    bool operator==(const Outputs&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outputs& o) {
    out << "{a=" << o.a << " b=" << o.b << " c=" << o.c << " p=" << o.p << " q=" << o.q << " s='"
        << o.s << "' v=[";
    for (Byte b : o.v) {
        out << ' ' << int(b);
    }
    return out << " ]}";
}

using Call = std::function<bool(Feature&, Outputs&)>;

// `call` on the feature's typed interface, with `o` the outputs.
#define OP(I, call)                                                                                \
    [](Feature& f, Outputs& o) {                                                                   \
        (void)o;                                                                                   \
        return dynamic_cast<I&>(f).call;                                                           \
    }

struct OperationRow {
    const char* name; // "<class>::<operation>", the start of its log lines
    int number;
    unsigned function;
    Bytes request;
    Bytes answer;
    std::size_t reads; // the answer bytes the operation needs
    CacheMode cache;
    Call call;
    Outputs decoded;
};

constexpr CacheMode U = CacheMode::Uncached;
constexpr CacheMode K = CacheMode::Cached;
const Bytes kNone{};

// clang-format off
const std::vector<OperationRow> kOperations = {
    {"Feature0007DeviceFriendlyName::GetFriendlyNameLen", 0x0007, 0, kNone, {5, 32, 4}, 3, U, OP(IFeature0007DeviceFriendlyName, GetFriendlyNameLen(&o.a, &o.b, &o.c)), {.a = 5, .b = 32, .c = 4}},
    {"Feature0007DeviceFriendlyName::GetFriendlyName", 0x0007, 1, {15}, {15, 'D', 'e', 'n', 0, 'x'}, 1, U, OP(IFeature0007DeviceFriendlyName, GetFriendlyName(15, &o.s)), {.s = "Den"}},
    {"Feature0007DeviceFriendlyName::GetDefaultFriendlyName", 0x0007, 2, {0}, {0, 'Q', 'V'}, 1, U, OP(IFeature0007DeviceFriendlyName, GetDefaultFriendlyName(0, &o.s)), {.s = "QV"}},
    {"Feature0007DeviceFriendlyName::SetFriendlyName", 0x0007, 3, {2, 'a', 'b'}, {4}, 1, U, OP(IFeature0007DeviceFriendlyName, SetFriendlyName(2, "ab", &o.a)), {.a = 4}},
    {"Feature0007DeviceFriendlyName::ResetFriendlyName", 0x0007, 4, kNone, {7}, 1, U, OP(IFeature0007DeviceFriendlyName, ResetFriendlyName(&o.a)), {.a = 7}},
    {"Feature1001BatteryVoltage::GetBatteryVoltage", 0x1001, 0, kNone, {0x0F, 0xA0, 0x03}, 3, U, OP(IFeature1001BatteryVoltage, GetBatteryVoltage(&o.a, &o.b)), {.a = 4000, .b = 3}},
    {"Feature1001BatteryVoltage::ShowBatteryStatus", 0x1001, 1, kNone, kNone, 0, U, OP(IFeature1001BatteryVoltage, ShowBatteryStatus()), {}},
    {"Feature1805OOBState::SetOobState", 0x1805, 0, kNone, kNone, 0, U, OP(IFeature1805OOBState, SetOobState()), {}},
    {"Feature1806ConfigurableDeviceProperties::GetDeviceNameMaxCount", 0x1806, 0, kNone, {3}, 1, K, OP(IFeature1806ConfigurableDeviceProperties, GetDeviceNameMaxCount(&o.a)), {.a = 3}},
    {"Feature1806ConfigurableDeviceProperties::SetDeviceName", 0x1806, 1, {0, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n'}, kNone, 0, U, OP(IFeature1806ConfigurableDeviceProperties, SetDeviceName(0, "abcdefghijklmnopq")), {}},
    {"Feature1806ConfigurableDeviceProperties::SetDeviceExtendedModelID", 0x1806, 2, {9}, kNone, 0, U, OP(IFeature1806ConfigurableDeviceProperties, SetDeviceExtendedModelID(9)), {}},
    {"Feature1981KeyboardBacklight::GetBacklightDuration", 0x1981, 0, kNone, {0x01, 0x2C}, 2, U, OP(IFeature1981KeyboardBacklight, GetBacklightDuration(&o.a)), {.a = 300}},
    {"Feature1981KeyboardBacklight::SetBacklightDuration", 0x1981, 1, {0x01, 0x2C}, kNone, 0, U, OP(IFeature1981KeyboardBacklight, SetBacklightDuration(300)), {}},
    {"Feature1982Backlight::GetBacklightConfig", 0x1982, 0, kNone, {1, 6}, 2, U, OP(IFeature1982Backlight, GetBacklightConfig(&o.p, &o.a)), {.a = 6, .p = true}},
    {"Feature1982Backlight::SetBacklightConfig", 0x1982, 1, {1, 6}, kNone, 0, U, OP(IFeature1982Backlight, SetBacklightConfig(true, 6)), {}},
    {"Feature1982Backlight::GetBacklightInfo", 0x1982, 2, kNone, {8, 3}, 2, U, OP(IFeature1982Backlight, GetBacklightInfo(&o.a, &o.b)), {.a = 8, .b = 3}},
    {"Feature1983KeyboardBacklight::GetBacklightInfo", 0x1983, 0, kNone, {8, 3}, 2, U, OP(IFeature1983KeyboardBacklight, GetBacklightInfo(&o.a, &o.b)), {.a = 8, .b = 3}},
    {"Feature1983KeyboardBacklight::GetBacklightConfig", 0x1983, 1, kNone, {0, 2}, 2, U, OP(IFeature1983KeyboardBacklight, GetBacklightConfig(&o.p, &o.a)), {.a = 2}},
    {"Feature1983KeyboardBacklight::SetBacklightConfig", 0x1983, 2, {0, 2}, kNone, 0, U, OP(IFeature1983KeyboardBacklight, SetBacklightConfig(false, 2)), {}},
    {"Feature1983KeyboardBacklight::SetBacklightLevel", 0x1983, 3, {5}, kNone, 0, U, OP(IFeature1983KeyboardBacklight, SetBacklightLevel(5)), {}},
    {"Feature1A00PresenterControl::GetCapabilities", 0x1A00, 0, kNone, {0x01, 0x02}, 2, U, OP(IFeature1A00PresenterControl, GetCapabilities(&o.a)), {.a = 0x102}},
    {"Feature1A00PresenterControl::GetMode", 0x1A00, 1, kNone, {2}, 1, U, OP(IFeature1A00PresenterControl, GetMode(&o.a)), {.a = 2}},
    {"Feature1A00PresenterControl::SetMode", 0x1A00, 2, {1}, kNone, 0, U, OP(IFeature1A00PresenterControl, SetMode(1)), {}},
    {"Feature1B00SpecialKeys::GetCount", 0x1B00, 0, kNone, {12}, 1, K, OP(IFeature1B00SpecialKeys, GetCount(&o.a)), {.a = 12}},
    {"Feature1B00SpecialKeys::GetCidInfo", 0x1B00, 1, {4}, {0x00, 0x52, 0x00, 0x38, 0x21}, 5, K, OP(IFeature1B00SpecialKeys, GetCidInfo(4, &o.a, &o.b, &o.c)), {.a = 0x52, .b = 0x38, .c = 0x21}},
    {"Feature1BC0ReportHIDUsages::GetCapabilities", 0x1BC0, 0, kNone, {3}, 1, U, OP(IFeature1BC0ReportHIDUsages, GetCapabilities(&o.a)), {.a = 3}},
    {"Feature1BC0ReportHIDUsages::GetReportingState", 0x1BC0, 1, kNone, {1}, 1, U, OP(IFeature1BC0ReportHIDUsages, GetReportingState(&o.p)), {.p = true}},
    {"Feature1BC0ReportHIDUsages::SetReportingState", 0x1BC0, 2, {1}, kNone, 0, U, OP(IFeature1BC0ReportHIDUsages, SetReportingState(true)), {}},
    {"Feature1C00PersistentRemappableAction::GetCount", 0x1C00, 0, kNone, {6}, 1, U, OP(IFeature1C00PersistentRemappableAction, GetCount(&o.a)), {.a = 6}},
    {"Feature1C00PersistentRemappableAction::GetCidInfo", 0x1C00, 1, {2}, {0x00, 0xC3, 0x01}, 3, U, OP(IFeature1C00PersistentRemappableAction, GetCidInfo(2, &o.a, &o.b)), {.a = 0xC3, .b = 1}},
    {"Feature1C00PersistentRemappableAction::GetRemapping", 0x1C00, 2, {0x00, 0xC3}, {0x01, 0x10}, 2, U, OP(IFeature1C00PersistentRemappableAction, GetRemapping(0xC3, &o.a)), {.a = 0x110}},
    {"Feature1C00PersistentRemappableAction::SetRemapping", 0x1C00, 3, {0x00, 0xC3, 0x01, 0x10}, kNone, 0, U, OP(IFeature1C00PersistentRemappableAction, SetRemapping(0xC3, 0x110)), {}},
    {"Feature1E00EnableHiddenFeatures::GetEnableHiddenFeatures", 0x1E00, 0, kNone, {1}, 1, U, OP(IFeature1E00EnableHiddenFeatures, GetEnableHiddenFeatures(&o.p)), {.p = true}},
    {"Feature1E00EnableHiddenFeatures::SetEnableHiddenFeatures", 0x1E00, 1, {1}, kNone, 0, U, OP(IFeature1E00EnableHiddenFeatures, SetEnableHiddenFeatures(true)), {}},
    {"Feature1F20ADCMeasurement::GetADCMeasurement", 0x1F20, 0, kNone, {0x12, 0x34, 0x02}, 3, U, OP(IFeature1F20ADCMeasurement, GetADCMeasurement(&o.a, &o.b)), {.a = 0x1234, .b = 2}},
    {"Feature1F20ADCMeasurement::SetADCMeasurementEnabled", 0x1F20, 1, {1}, kNone, 0, U, OP(IFeature1F20ADCMeasurement, SetADCMeasurementEnabled(true)), {}},
    {"Feature2006PointerAxesOrientation::GetAxesOrientation", 0x2006, 0, kNone, {2, 1}, 2, U, OP(IFeature2006PointerAxesOrientation, GetAxesOrientation(&o.a, &o.b)), {.a = 2, .b = 1}},
    {"Feature2006PointerAxesOrientation::SetAxesOrientation", 0x2006, 1, {3}, kNone, 0, U, OP(IFeature2006PointerAxesOrientation, SetAxesOrientation(3)), {}},
    {"Feature2110Shiftwell::GetCapabilities", 0x2110, 0, kNone, {1}, 1, U, OP(IFeature2110Shiftwell, GetCapabilities(&o.a)), {.a = 1}},
    {"Feature2110Shiftwell::GetStatus", 0x2110, 1, kNone, {1, 40}, 2, U, OP(IFeature2110Shiftwell, GetStatus(&o.a, &o.b)), {.a = 1, .b = 40}},
    {"Feature2110Shiftwell::SetStatus", 0x2110, 2, {1, 40}, kNone, 0, U, OP(IFeature2110Shiftwell, SetStatus(1, 40)), {}},
    {"Feature2130RatchetWheel::GetWheelMode", 0x2130, 0, kNone, {1}, 1, U, OP(IFeature2130RatchetWheel, GetWheelMode(&o.a)), {.a = 1}},
    {"Feature2205PointerMotionScaling::GetPointerScalingValue", 0x2205, 0, kNone, {0x02, 0x00}, 2, U, OP(IFeature2205PointerMotionScaling, GetPointerScalingValue(&o.a)), {.a = 512}},
    {"Feature2230AngleSnapping::GetAngleSnapping", 0x2230, 0, kNone, {1}, 1, U, OP(IFeature2230AngleSnapping, GetAngleSnapping(&o.p)), {.p = true}},
    {"Feature2230AngleSnapping::SetAngleSnapping", 0x2230, 1, {0}, kNone, 0, U, OP(IFeature2230AngleSnapping, SetAngleSnapping(false)), {}},
    {"Feature40A0FnInversion::GetGlobalFnInversion", 0x40A0, 0, kNone, {1}, 1, U, OP(IFeature40A0FnInversion, GetGlobalFnInversion(&o.p)), {.p = true}},
    {"Feature40A0FnInversion::SetGlobalFnInversion", 0x40A0, 1, {1}, kNone, 0, U, OP(IFeature40A0FnInversion, SetGlobalFnInversion(true)), {}},
    {"Feature40A3FnInversion::GetGlobalFnInversion", 0x40A3, 0, kNone, {0, 1}, 2, U, OP(IFeature40A3FnInversion, GetGlobalFnInversion(&o.p, &o.q)), {.q = true}},
    {"Feature40A3FnInversion::SetGlobalFnInversion", 0x40A3, 1, {0}, kNone, 0, U, OP(IFeature40A3FnInversion, SetGlobalFnInversion(false)), {}},
    {"Feature4220LockKeyState::GetLockState", 0x4220, 0, kNone, {0x05}, 1, U, OP(IFeature4220LockKeyState, GetLockState(&o.a)), {.a = 5}},
    {"Feature4522DisableKeysByUsage::GetCapabilities", 0x4522, 0, kNone, {10}, 1, U, OP(IFeature4522DKU, GetCapabilities(&o.a)), {.a = 10}},
    {"Feature4522DisableKeysByUsage::DisableKeys", 0x4522, 1, {0x39, 0xE3}, kNone, 0, U, OP(IFeature4522DKU, DisableKeys({0x39, 0xE3})), {}},
    {"Feature4522DisableKeysByUsage::EnableKeys", 0x4522, 2, {0x39}, kNone, 0, U, OP(IFeature4522DKU, EnableKeys({0x39})), {}},
    {"Feature4522DisableKeysByUsage::EnableAllKeys", 0x4522, 3, kNone, kNone, 0, U, OP(IFeature4522DKU, EnableAllKeys()), {}},
    {"Feature4530DualPlatform::GetPlatform", 0x4530, 0, kNone, {1}, 1, U, OP(IFeature4530DualPlatform, GetPlatform(&o.a)), {.a = 1}},
    {"Feature4530DualPlatform::SetPlatform", 0x4530, 1, {0}, kNone, 0, U, OP(IFeature4530DualPlatform, SetPlatform(0)), {}},
    {"Feature4531MultiPlatform::GetFeatureInfos", 0x4531, 0, kNone, {1, 4, 6}, 3, U, OP(IFeature4531MultiPlatform, GetFeatureInfos(&o.a, &o.b, &o.c)), {.a = 1, .b = 4, .c = 6}},
    {"Feature4531MultiPlatform::GetPlatformDescriptor", 0x4531, 1, {2}, {2, 3, 1, 0x00, 0x18}, 5, U, OP(IFeature4531MultiPlatform, GetPlatformDescriptor(2, &o.a, &o.b, &o.c)), {.a = 3, .b = 1, .c = 0x18}},
    {"Feature4531MultiPlatform::GetHostPlatform", 0x4531, 2, {1}, {1, 2, 5}, 3, U, OP(IFeature4531MultiPlatform, GetHostPlatform(1, &o.a, &o.b)), {.a = 2, .b = 5}},
    {"Feature4531MultiPlatform::setHostPlatform", 0x4531, 3, {1, 5}, kNone, 0, U, OP(IFeature4531MultiPlatform, setHostPlatform(1, 5)), {}},
    {"Feature4540KBLayout::GetKeyboardLayout", 0x4540, 0, kNone, {7}, 1, K, OP(IFeature4540KBLayout, GetKeyboardLayout(&o.a)), {.a = 7}},
    {"Feature6010Gestures::GetSupportedGestures", 0x6010, 0, kNone, {0x00, 0x3F}, 2, U, OP(IFeature6010Gestures, GetSupportedGestures(&o.a)), {.a = 0x3F}},
    {"Feature6010Gestures::GetEnabledGestures", 0x6010, 1, kNone, {0x00, 0x05}, 2, U, OP(IFeature6010Gestures, GetEnabledGestures(&o.a)), {.a = 5}},
    {"Feature6010Gestures::SetEnabledGestures", 0x6010, 2, {0x01, 0x05}, kNone, 0, U, OP(IFeature6010Gestures, SetEnabledGestures(0x105)), {}},
    {"Feature6012Gestures::GetGestureCount", 0x6012, 0, kNone, {9}, 1, U, OP(IFeature6012Gestures, GetGestureCount(&o.a)), {.a = 9}},
    {"Feature6012Gestures::GetGesture", 0x6012, 1, {3}, {0x21, 1}, 2, U, OP(IFeature6012Gestures, GetGesture(3, &o.a, &o.p)), {.a = 0x21, .p = true}},
    {"Feature6012Gestures::SetGesture", 0x6012, 2, {3, 0}, kNone, 0, U, OP(IFeature6012Gestures, SetGesture(3, false)), {}},
    {"Feature6500Gestures::GetGestureIDInfo", 0x6500, 0, {1}, {5, 0x42, 0x03}, 3, K, OP(IFeature6500Gestures, GetGestureIDInfo(1, &o.a, &o.b, &o.c)), {.a = 5, .b = 0x42, .c = 3}},
    {"Feature6500Gestures::IsEnabled", 0x6500, 2, {0x42}, {1}, 1, U, OP(IFeature6500Gestures, IsEnabled(0x42, &o.p)), {.p = true}},
    {"Feature6500Gestures::Enable", 0x6500, 3, {0x42, 0}, kNone, 0, U, OP(IFeature6500Gestures, Enable(0x42, false)), {}},
    {"Feature6500Gestures::IsDiverted", 0x6500, 4, {0x42}, {1}, 1, U, OP(IFeature6500Gestures, IsDiverted(0x42, &o.p)), {.p = true}},
    {"Feature6500Gestures::Divert", 0x6500, 5, {0x42, 1}, kNone, 0, U, OP(IFeature6500Gestures, Divert(0x42, true)), {}},
    {"Feature8010Macrokey::GetCount", 0x8010, 0, kNone, {5}, 1, K, OP(IFeature8010Macrokey, GetCount(&o.a)), {.a = 5}},
    {"Feature8010Macrokey::GetKeyInfo", 0x8010, 1, {4}, {0x00, 0x64, 0x02}, 3, K, OP(IFeature8010Macrokey, GetKeyInfo(4, &o.a, &o.b)), {.a = 0x64, .b = 2}},
    {"Feature8010Macrokey::SetReporting", 0x8010, 2, {1}, kNone, 0, U, OP(IFeature8010Macrokey, SetReporting(true)), {}},
    {"Feature8020Mkeys::GetCount", 0x8020, 0, kNone, {3}, 1, K, OP(IFeature8020Mkeys, GetCount(&o.a)), {.a = 3}},
    {"Feature8030MR::SetLED", 0x8030, 0, {1}, kNone, 0, U, OP(IFeature8030MR, SetLED(true)), {}},
    {"Feature8060ReportRate::GetReportRateList", 0x8060, 0, kNone, {0x8B}, 1, U, OP(IFeature8060ReportRate, GetReportRateList(&o.a)), {.a = 0x8B}},
    {"Feature8060ReportRate::GetReportRate", 0x8060, 1, kNone, {8}, 1, U, OP(IFeature8060ReportRate, GetReportRate(&o.a)), {.a = 8}},
    {"Feature8060ReportRate::SetReportRate", 0x8060, 2, {1}, kNone, 0, U, OP(IFeature8060ReportRate, SetReportRate(1)), {}},
    {"Feature8080PerKeyLighting::GetInfo", 0x8080, 0, kNone, {0x00, 0x6A}, 2, U, OP(IFeature8080PerKeyLighting, GetInfo(&o.a)), {.a = 106}},
    {"Feature8080PerKeyLighting::SetIndividualRGBZones", 0x8080, 1, {4, 255, 0, 0}, kNone, 0, U, OP(IFeature8080PerKeyLighting, SetIndividualRGBZones({4, 255, 0, 0})), {}},
    {"Feature8080PerKeyLighting::FrameEnd", 0x8080, 2, {1}, kNone, 0, U, OP(IFeature8080PerKeyLighting, FrameEnd(true)), {}},
    {"Feature8090ModeStatus::GetModeStatus", 0x8090, 0, kNone, {1, 2}, 2, U, OP(IFeature8090ModeStatus, GetModeStatus(&o.a, &o.b)), {.a = 1, .b = 2}},
    {"Feature8110MouseButtonSpy::GetNbButtons", 0x8110, 0, kNone, {5}, 1, U, OP(IFeature8110MouseButtonSpy, GetNbButtons(&o.a)), {.a = 5}},
    {"Feature8110MouseButtonSpy::StartSpy", 0x8110, 1, kNone, kNone, 0, U, OP(IFeature8110MouseButtonSpy, StartSpy()), {}},
    {"Feature8110MouseButtonSpy::StopSpy", 0x8110, 2, kNone, kNone, 0, U, OP(IFeature8110MouseButtonSpy, StopSpy()), {}},
    {"Feature8110MouseButtonSpy::GetRemapping", 0x8110, 3, kNone, {2, 1, 3}, 1, U, OP(IFeature8110MouseButtonSpy, GetRemapping(&o.v)), {.v = {2, 1, 3}}},
    {"Feature8110MouseButtonSpy::SetRemapping", 0x8110, 4, {2, 1, 3, 4, 5}, kNone, 0, U, OP(IFeature8110MouseButtonSpy, SetRemapping({2, 1, 3, 4, 5})), {}},
    {"Feature8111LatencyMonitoring::GetMonitoringState", 0x8111, 0, kNone, {1}, 1, U, OP(IFeature8111LatencyMonitoring, GetMonitoringState(&o.p)), {.p = true}},
    {"Feature8111LatencyMonitoring::SetMonitoringState", 0x8111, 1, {0}, kNone, 0, U, OP(IFeature8111LatencyMonitoring, SetMonitoringState(false)), {}},
    {"Feature8300Sidetone::getSidetoneLevel", 0x8300, 0, kNone, {40}, 1, U, OP(IFeature8300Sidetone, getSidetoneLevel(&o.a)), {.a = 40}},
    {"Feature8300Sidetone::setSidetoneLevel", 0x8300, 1, {75}, kNone, 0, U, OP(IFeature8300Sidetone, setSidetoneLevel(75)), {}},
};
// clang-format on

class GetSetFeatures : public testing::Test {
protected:
    GetSetFeatures() { h.make_feature_based(); }

    // The row's feature, at an index of its own so that cached answers of rows do not meet. The
    // indexes from 0x40 on are taken by the receiver's notifications, so every 60 rows the device
    // forgets its features and their cached answers.
    std::shared_ptr<Feature> install(std::size_t row) {
        if (row > 0 && row % kIndexes == 0) {
            h.device->forget();
            h.make_feature_based();
        }
        std::shared_ptr<Feature> feature =
            FeatureFactory::create(kOperations[row].number, index_of(row), h.device);
        h.device->feature_table().put(feature);
        return feature;
    }
    static constexpr std::size_t kIndexes = 60;
    static Byte index_of(std::size_t row) { return static_cast<Byte>(row % kIndexes + 1); }

    DeviceHarness h;
};

TEST_F(GetSetFeatures, EachOperationSendsItsRequestDecodesItsAnswerAndCachesOnlyWhereItShould) {
    for (std::size_t i = 0; i < kOperations.size(); ++i) {
        const OperationRow& row = kOperations[i];
        SCOPED_TRACE(row.name);
        std::shared_ptr<Feature> feature = install(i);
        h.hardware->answer(index_of(i), row.function,
                           {Answer::with(row.answer), Answer::with(row.answer)});
        Outputs outputs;
        ASSERT_TRUE(row.call(*feature, outputs));
        EXPECT_EQ(outputs, row.decoded);

        rap::Report written = h.hardware->writes().back().report;
        EXPECT_EQ(written[2], index_of(i));
        EXPECT_EQ(written[3] >> 4, static_cast<int>(row.function));
        Bytes sent = rap::parameters_of(written);
        ASSERT_GE(sent.size(), row.request.size());
        EXPECT_EQ(Bytes(sent.begin(), sent.begin() + row.request.size()), row.request);
        EXPECT_TRUE(std::all_of(sent.begin() + row.request.size(), sent.end(),
                                [](Byte b) { return b == 0; }));

        std::size_t writes = h.hardware->write_count();
        Outputs again;
        ASSERT_TRUE(row.call(*feature, again));
        EXPECT_EQ(again, row.decoded);
        EXPECT_EQ(h.hardware->write_count() - writes, row.cache == CacheMode::Cached ? 0u : 1u)
            << "only the cached operations answer from the response cache";
    }
}

TEST_F(GetSetFeatures, ShortAndFailedAnswersAreRefusedAndLogged) {
    for (std::size_t i = 0; i < kOperations.size(); ++i) {
        const OperationRow& row = kOperations[i];
        SCOPED_TRACE(row.name);
        std::shared_ptr<Feature> feature = install(i);
        // A refusal first: a short answer of a cached operation stays in the response cache.
        std::vector<Answer> answers{Answer::rap20_error(5)};
        const bool can_be_short = row.reads > rap::kShortReportLength - 4;
        if (can_be_short) {
            // A short report carries fewer bytes than the operation reads.
            answers.push_back(Answer::with(Bytes(row.answer.begin(), row.answer.begin() + 3)));
        }
        h.hardware->answer(index_of(i), row.function, answers);
        sys::DebugOutputCapture capture;
        Outputs outputs;
        EXPECT_FALSE(row.call(*feature, outputs));
        EXPECT_NE(last_error().code, ErrorCode::NoError);
        EXPECT_EQ(count_lines(capture, std::string(row.name) + " failed"), 1);
        if (can_be_short) {
            EXPECT_FALSE(row.call(*feature, outputs));
            EXPECT_EQ(last_error().code, ErrorCode::CommandResponseTooShort);
            EXPECT_EQ(count_lines(capture, std::string(row.name) + " response too short"), 1);
        }
        EXPECT_EQ(outputs, Outputs{}) << "nothing is decoded from a refused answer";
    }
}

// Records the events of the family as text, on whichever thread they come.
class Events : public Subscriber<IFeature1981KeyboardBacklight::Report>,
               public Subscriber<IFeature1982Backlight::Report>,
               public Subscriber<IFeature1983KeyboardBacklight::Report>,
               public Subscriber<IFeature1B00SpecialKeys::KeyReport>,
               public Subscriber<IFeature2130RatchetWheel::Report>,
               public Subscriber<IFeature40A3FnInversion::Report>,
               public Subscriber<IFeature4220LockKeyState::Report>,
               public Subscriber<IFeature4530DualPlatform::Report>,
               public Subscriber<IFeature4531MultiPlatform::Report>,
               public Subscriber<IFeature6500Gestures::Report>,
               public Subscriber<IFeature8010Macrokey::Report>,
               public Subscriber<IFeature8020Mkeys::Report>,
               public Subscriber<IFeature8030MR::Report>,
               public Subscriber<IFeature8090ModeStatus::Report>,
               public Subscriber<IFeature8110MouseButtonSpy::Report>,
               public Subscriber<IFeature8111LatencyMonitoring::Report> {
public:
    // Subscribes to whichever of the events the feature produces.
    void follow(const std::shared_ptr<Feature>& f) {
        follow_as<IFeature1981KeyboardBacklight::Report, IFeature1982Backlight::Report,
                  IFeature1983KeyboardBacklight::Report, IFeature1B00SpecialKeys::KeyReport,
                  IFeature2130RatchetWheel::Report, IFeature40A3FnInversion::Report,
                  IFeature4220LockKeyState::Report, IFeature4530DualPlatform::Report,
                  IFeature4531MultiPlatform::Report, IFeature6500Gestures::Report,
                  IFeature8010Macrokey::Report, IFeature8020Mkeys::Report, IFeature8030MR::Report,
                  IFeature8090ModeStatus::Report, IFeature8110MouseButtonSpy::Report,
                  IFeature8111LatencyMonitoring::Report>(f);
    }
    std::vector<std::string> seen;

private:
    template <class... E>
    void follow_as(const std::shared_ptr<Feature>& f) {
        int subscribed = (0 + ... + int(Subscriber<E>::subscribe(f, DeliverDirect, "Events")));
        ASSERT_EQ(subscribed, 1);
    }
    template <class... V>
    void record(const char* name, V... values) {
        std::ostringstream text;
        text << name << '(';
        const char* separator = "";
        ((text << separator << values, separator = ","), ...);
        seen.push_back(text.str() + ')');
    }

    void onBacklightChangeEvent(int level) override { record("onBacklightChangeEvent", level); }
    void onBacklightInfoEvent(int levels, int level) override {
        record("onBacklightInfoEvent", levels, level);
    }
    void onBacklightEventChange(int level, int effect) override {
        record("onBacklightEventChange", level, effect);
    }
    void onKeyChange(const std::vector<int>& pressed) override {
        std::ostringstream ids;
        for (int id : pressed) {
            ids << ' ' << id;
        }
        record("onKeyChange", ids.str());
    }
    void onWheelMovement(int movement) override { record("onWheelMovement", movement); }
    void onFLockChange(bool inverted) override { record("onFLockChange", inverted); }
    void onLockKeyChange(int locks) override { record("onLockKeyChange", locks); }
    void onPlatformChangeEvent(int platform) override { record("onPlatformChangeEvent", platform); }
    void onPlatformChangeEvent(int host, int platform) override {
        record("onPlatformChangeEvent", host, platform);
    }
    void onGesture(int gesture_id, const std::vector<Byte>& data) override {
        record("onGesture", gesture_id, data.size());
    }
    void onMacroKey(int pressed) override { record("onMacroKey", pressed); }
    void onMKey(int pressed) override { record("onMKey", pressed); }
    void onButtonReport(bool pressed) override { record("onButtonReport", pressed); }
    void onStatusReport(int status, int status_ext) override {
        record("onStatusReport", status, status_ext);
    }
    void onButtonReport(int pressed) override { record("onButtonReport", pressed); }
    void onLatencyEvent(int button, int microseconds) override {
        record("onLatencyEvent", button, microseconds);
    }
};

struct EventRow {
    int number;
    Bytes event; // the shortest event of function 0 that publishes
    const char* published;
};

// clang-format off
const std::vector<EventRow> kEvents = {
    {0x1981, {7}, "onBacklightChangeEvent(7)"},
    {0x1982, {8, 2}, "onBacklightInfoEvent(8,2)"},
    {0x1983, {4, 1}, "onBacklightEventChange(4,1)"},
    {0x1B00, {0x00, 0x52}, "onKeyChange( 82)"},
    {0x2130, {0xFF, 0xFE}, "onWheelMovement(-2)"},
    {0x40A3, {1}, "onFLockChange(1)"},
    {0x4220, {2}, "onLockKeyChange(2)"},
    {0x4530, {1}, "onPlatformChangeEvent(1)"},
    {0x4531, {2, 3}, "onPlatformChangeEvent(2,3)"},
    {0x6500, {0x42}, "onGesture(66,0)"},
    {0x8010, {0x05}, "onMacroKey(5)"},
    {0x8020, {0x02}, "onMKey(2)"},
    {0x8030, {1}, "onButtonReport(1)"},
    {0x8090, {1, 0}, "onStatusReport(1,0)"},
    {0x8110, {0x01, 0x02}, "onButtonReport(258)"},
    {0x8111, {3, 0x01, 0xF4}, "onLatencyEvent(3,500)"},
};
// clang-format on

TEST_F(GetSetFeatures, EventsArePublishedOnlyWhenWholeAndOfTheirFunction) {
    for (const EventRow& row : kEvents) {
        SCOPED_TRACE(testing::Message() << std::hex << "feature 0x" << row.number);
        std::shared_ptr<Feature> feature = h.add_feature(row.number, 1);
        Events events;
        events.follow(feature);
        feature->deliverFeatureReport(0, row.event);
        feature->deliverFeatureReport(1, row.event);
        feature->deliverFeatureReport(0, Bytes(row.event.begin(), row.event.end() - 1));
        feature->deliverUnexpectedResponse(0, 3, row.event);
        EXPECT_EQ(events.seen, std::vector<std::string>{row.published});
    }
}

TEST_F(GetSetFeatures, KeyEventsListThePressedKeysUpToAZeroId) {
    std::shared_ptr<Feature> keys = h.add_feature(0x1B00, 1);
    Events events;
    events.follow(keys);
    keys->deliverFeatureReport(0, {0x00, 0x52, 0x00, 0x53, 0x00, 0x00, 0x00, 0x56});
    keys->deliverFeatureReport(0, {0x00, 0x00, 0x00, 0x53});
    EXPECT_EQ(events.seen, (std::vector<std::string>{"onKeyChange( 82 83)", "onKeyChange()"}));
}

struct ConfiguringRow {
    const char* name;
    int number;
    unsigned function;
    Bytes request;
    Call call;
};

// clang-format off
const std::vector<ConfiguringRow> kConfiguring = {
    {"Feature2130RatchetWheel::SetWheelMode", 0x2130, 1, {1}, OP(IFeature2130RatchetWheel, SetWheelMode(1))},
    {"Feature2205PointerMotionScaling::SetPointerScalingValue", 0x2205, 1, {0x01, 0x80}, OP(IFeature2205PointerMotionScaling, SetPointerScalingValue(0x180))},
    {"Feature8020Mkeys::SetLEDs", 0x8020, 1, {0x04}, OP(IFeature8020Mkeys, SetLEDs(4))},
};
// clang-format on

constexpr Byte kConfigIndex = 0x0A;
constexpr Byte kSettingIndex = 0x05;

TEST(GetSetFeatureConfiguration, TheSettingClassesClaimTheConfigurationBeforeTheyWrite) {
    for (const ConfiguringRow& row : kConfiguring) {
        SCOPED_TRACE(row.name);
        DeviceHarness h;
        h.make_feature_based();
        h.add_feature(0x0020, kConfigIndex);
        std::shared_ptr<Feature> feature = h.add_feature(row.number, kSettingIndex);
        h.hardware->answer(kConfigIndex, 0, {Answer::with({0, 0})});
        h.hardware->answer(kConfigIndex, 1, {Answer::with({})});
        h.hardware->answer(kSettingIndex, row.function, {Answer::with({})});
        Outputs unused;
        ASSERT_TRUE(row.call(*feature, unused));
        std::vector<FakeHardwareDevice::WriteRecord> writes = h.hardware->writes();
        ASSERT_GE(writes.size(), 3u);
        EXPECT_EQ(writes.front().report[2], kConfigIndex) << "the cookie is read first";
        EXPECT_EQ(writes.back().report[2], kSettingIndex);
        Bytes sent = rap::parameters_of(writes.back().report);
        EXPECT_EQ(Bytes(sent.begin(), sent.begin() + row.request.size()), row.request);
        EXPECT_TRUE(feature->configured());
        EXPECT_TRUE(h.device->configured());
    }
}

TEST(GetSetFeatureConfiguration, NothingIsWrittenWhenTheConfigurationCannotBeClaimed) {
    for (const ConfiguringRow& row : kConfiguring) {
        SCOPED_TRACE(row.name);
        DeviceHarness h;
        h.make_feature_based();
        h.add_feature(0x0020, kConfigIndex);
        std::shared_ptr<Feature> feature = h.add_feature(row.number, kSettingIndex);
        h.hardware->answer(kConfigIndex, 0, {Answer::rap20_error(5)});
        sys::DebugOutputCapture capture;
        Outputs unused;
        EXPECT_FALSE(row.call(*feature, unused));
        for (const FakeHardwareDevice::WriteRecord& write : h.hardware->writes()) {
            EXPECT_NE(write.report[2], kSettingIndex);
        }
        EXPECT_EQ(count_lines(capture, "set_configured failed"), 1);
    }
}

} // namespace
} // namespace devio::test

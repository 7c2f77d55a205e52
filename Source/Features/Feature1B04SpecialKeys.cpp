#include "Source/Features/Feature1B04SpecialKeys.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr int kRawXYEvent = 1;

} // namespace

bool Feature1B04SpecialKeys::process_pending_changes(bool device_configured) {
    xLogWrite(kTag, kLogInfo, log_location<"process_pending_changes">(),
              "Feature1B04SpecialKeys::process_pending_changes(device_configured = %d)",
              device_configured ? 1 : 0);
    return SpecialKeysFeature::process_pending_changes(device_configured);
}

void Feature1B04SpecialKeys::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (function != kRawXYEvent) {
        SpecialKeysFeature::onFeatureReport(function, parameters);
        return;
    }
    if (parameters.size() < 4) {
        return;
    }
    int dx = static_cast<int16_t>((parameters[0] << 8) | parameters[1]);
    int dy = static_cast<int16_t>((parameters[2] << 8) | parameters[3]);
    Producer<IFeature1B04SpecialKeys::RawXYReport>::produce(
        [dx, dy](IFeature1B04SpecialKeys::RawXYReport* subscriber) { subscriber->onRawXY(dx, dy); },
        "Feature1B04SpecialKeys::RawXYReport::onRawXY");
}

void Feature1B04SpecialKeys::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                  const std::vector<Byte>& parameters) {
    if (function != kSetCtrlIdReporting || parameters.size() < kCtrlIdReportingBytes) {
        return;
    }
    CtrlIdReporting reporting = CtrlIdReporting::from(parameters);
    Producer<IFeature1B04SpecialKeys::SettingChange>::produce(
        [software_id, reporting](IFeature1B04SpecialKeys::SettingChange* subscriber) {
            subscriber->onSettingChange(software_id, reporting);
        },
        "Feature1B04SpecialKeys::SettingChange::onSettingChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1B04SpecialKeys, 1B04)

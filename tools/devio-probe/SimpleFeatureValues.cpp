#include "tools/devio-probe/SimpleFeatureValues.h"

#include "Source/Contracts/IDevice.h"
#include "Source/Features/IFeature0007DeviceFriendlyName.h"
#include "Source/Features/IFeature1001BatteryVoltage.h"
#include "Source/Features/IFeature8060ReportRate.h"

namespace devio::probe {

namespace {

// The friendly name, read chunk by chunk up to its length; empty when any read fails.
std::string friendly_name(IFeature0007DeviceFriendlyName& feature) {
    int length = 0;
    if (!feature.GetFriendlyNameLen(&length, nullptr, nullptr)) {
        return {};
    }
    std::string name;
    while (static_cast<int>(name.size()) < length) {
        std::string chunk;
        if (!feature.GetFriendlyName(static_cast<int>(name.size()), &chunk) || chunk.empty()) {
            break; // a chunk ended by a zero byte ends the name early
        }
        name += chunk;
    }
    return name.substr(0, static_cast<std::size_t>(length));
}

} // namespace

void add_simple_feature_values(IDevice& device, std::vector<ProbeValue>& values) {
    if (auto rate = device.feature<IFeature8060ReportRate>()) {
        int milliseconds = 0;
        if (rate->GetReportRate(&milliseconds)) {
            values.push_back({"report_rate", std::to_string(milliseconds) + " ms"});
        }
    }
    if (auto battery = device.feature<IFeature1001BatteryVoltage>()) {
        int millivolts = 0;
        int flags = 0;
        if (battery->GetBatteryVoltage(&millivolts, &flags)) {
            values.push_back({"battery_voltage", std::to_string(millivolts) +
                                                     " mV (charging status " +
                                                     std::to_string(flags & 0x07) + ")"});
        }
    }
    if (auto name = device.feature<IFeature0007DeviceFriendlyName>()) {
        std::string text = friendly_name(*name);
        if (!text.empty()) {
            values.push_back({"friendly_name", "\"" + text + "\""});
        }
    }
}

} // namespace devio::probe

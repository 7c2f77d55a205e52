#include "Source/Features/Feature1001BatteryVoltage.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetBatteryVoltage{0, 3};
constexpr Operation kShowBatteryStatus{1, 0};

} // namespace

bool Feature1001BatteryVoltage::GetBatteryVoltage(int* millivolts, int* flags) {
    std::vector<Byte> r;
    if (!exchange<"GetBatteryVoltage">(kGetBatteryVoltage, {}, r)) {
        return false;
    }
    set_out(millivolts, be16(r, 0));
    set_out(flags, r[2]);
    return true;
}

bool Feature1001BatteryVoltage::ShowBatteryStatus() {
    return exchange<"ShowBatteryStatus">(kShowBatteryStatus, {});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1001BatteryVoltage, 1001)

#include "Source/Features/Feature1F20ADCMeasurement.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetADCMeasurement{0, 3};
constexpr Operation kSetADCMeasurementEnabled{1, 0};

} // namespace

bool Feature1F20ADCMeasurement::GetADCMeasurement(int* value, int* status) {
    std::vector<Byte> r;
    if (!exchange<"GetADCMeasurement">(kGetADCMeasurement, {}, r)) {
        return false;
    }
    set_out(value, be16(r, 0));
    set_out(status, r[2]);
    return true;
}

bool Feature1F20ADCMeasurement::SetADCMeasurementEnabled(bool enabled) {
    return exchange<"SetADCMeasurementEnabled">(kSetADCMeasurementEnabled,
                                                {static_cast<Byte>(enabled ? 1 : 0)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1F20ADCMeasurement, 1F20)

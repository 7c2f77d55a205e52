// The ADC-measurement feature 0x1F20: a raw reading of the device's analogue converter, used in
// production.
// Layouts (this library's choice): the reading is 16 bits big-endian followed by a status byte;
// measuring is switched on and off with one byte.
#pragma once

namespace devio {

class IFeature1F20ADCMeasurement {
public:
    static constexpr int kFeatureNumber = 0x1F20;

    virtual ~IFeature1F20ADCMeasurement() = default;

    [[nodiscard]] virtual bool GetADCMeasurement(int* value, int* status) = 0;
    [[nodiscard]] virtual bool SetADCMeasurementEnabled(bool enabled) = 0;
};

} // namespace devio

// The battery-voltage feature 0x1001: the battery's voltage rather than a level.
// Layouts (this library's choice): the voltage in millivolts (16 bits, big-endian) and a flags byte
// whose low 3 bits are the charging status.
#pragma once

namespace devio {

class IFeature1001BatteryVoltage {
public:
    static constexpr int kFeatureNumber = 0x1001;

    virtual ~IFeature1001BatteryVoltage() = default;

    [[nodiscard]] virtual bool GetBatteryVoltage(int* millivolts, int* flags) = 0;
    // The device shows its battery status on its own indicator.
    [[nodiscard]] virtual bool ShowBatteryStatus() = 0;
};

} // namespace devio

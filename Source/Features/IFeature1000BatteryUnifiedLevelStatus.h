// The battery feature 0x1000: charge level, next level and charging status, and the battery's
// capabilities.
#pragma once

#include <cstdint>

namespace devio {

class IFeature1000BatteryUnifiedLevelStatus {
public:
    static constexpr int kFeatureNumber = 0x1000;

    // The device announced its battery state. Produced on the transport's read thread.
    class Report {
    public:
        virtual void onBatteryLevelStatus(uint16_t /*BatteryDischargeLevel*/,
                                          uint16_t /*BatteryDischargeNextLevel*/,
                                          uint16_t /*BatteryStatus*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature1000BatteryUnifiedLevelStatus() = default;

    [[nodiscard]] virtual bool GetBatteryLevelStatus(int* BatteryDischargeLevel,
                                                     int* BatteryDischargeNextLevel,
                                                     int* BatteryStatus) = 0;
    [[nodiscard]] virtual bool GetBatteryCapability(int* NumberOfLevels, int* Flags,
                                                    int* NominalBatteryLife,
                                                    int* BatteryCriticalLevel) = 0;
};

} // namespace devio

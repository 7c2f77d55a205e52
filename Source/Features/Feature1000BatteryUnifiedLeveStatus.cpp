#include "Source/Features/Feature1000BatteryUnifiedLeveStatus.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetBatteryLevelStatus = 0;
constexpr unsigned kGetBatteryCapability = 1;
constexpr std::size_t kLevelStatusBytes = 3;
constexpr std::size_t kCapabilityBytes = 5;

} // namespace

bool Feature1000BatteryUnifiedLeveStatus::GetBatteryLevelStatus(int* BatteryDischargeLevel,
                                                                int* BatteryDischargeNextLevel,
                                                                int* BatteryStatus) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetBatteryLevelStatus, {}, CacheMode::Uncached, kLevelStatusBytes,
                        response)) {
        return false;
    }
    set_out(BatteryDischargeLevel, response[0]);
    set_out(BatteryDischargeNextLevel, response[1]);
    set_out(BatteryStatus, response[2]);
    xLogWrite(kTag, kLogInfo, log_location<"GetBatteryLevelStatus">(),
              "Feature1000BatteryUnifiedLeveStatus::GetBatteryLevelStatus(*BatteryDischargeLevel = "
              "%d, *BatteryDischargeNextLevel = %d, *BatteryStatus = %d)",
              response[0], response[1], response[2]);
    return true;
}

bool Feature1000BatteryUnifiedLeveStatus::GetBatteryCapability(int* NumberOfLevels, int* Flags,
                                                               int* NominalBatteryLife,
                                                               int* BatteryCriticalLevel) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetBatteryCapability, {}, CacheMode::Cached, kCapabilityBytes,
                        response)) {
        return false;
    }
    int life = response[2] << 8 | response[3];
    set_out(NumberOfLevels, response[0]);
    set_out(Flags, response[1]);
    set_out(NominalBatteryLife, life);
    set_out(BatteryCriticalLevel, response[4]);
    xLogWrite(kTag, kLogInfo, log_location<"GetBatteryCapability">(),
              "Feature1000BatteryUnifiedLeveStatus::GetBatteryCapability(*NumberOfLevels = %d, "
              "*Flags = %d, *NominalBatteryLife = %d, *BatteryCriticalLevel = %d)",
              response[0], response[1], life, response[4]);
    return true;
}

void Feature1000BatteryUnifiedLeveStatus::onFeatureReport(int /*function*/,
                                                          const std::vector<Byte>& parameters) {
    if (parameters.size() < kLevelStatusBytes) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return;
    }
    uint16_t level = parameters[0];
    uint16_t next = parameters[1];
    uint16_t status = parameters[2];
    Producer<IFeature1000BatteryUnifiedLevelStatus::Report>::produce(
        [level, next, status](IFeature1000BatteryUnifiedLevelStatus::Report* subscriber) {
            subscriber->onBatteryLevelStatus(level, next, status);
        },
        "Feature1000BatteryUnifiedLeveStatus::Report::onBatteryLevelStatus");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1000BatteryUnifiedLeveStatus, 1000)

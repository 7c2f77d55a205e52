#include "Source/Features/Feature1D4BWirelessStatus.h"

#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr std::size_t kEventBytes = 3;

} // namespace

Feature1D4BWirelessStatus::Feature1D4BWirelessStatus(Byte index, std::weak_ptr<Device> device)
    : FeatureBase(index, std::move(device)) {
    xLogWrite(kTag, kLogInfo, constructor_location(), "ctor");
}

Feature1D4BWirelessStatus::~Feature1D4BWirelessStatus() {
    xLogWrite(kTag, kLogInfo, destructor_location(), "dtor");
}

void Feature1D4BWirelessStatus::onFeatureReport(int /*function*/,
                                                const std::vector<Byte>& parameters) {
    xLogWrite(kTag, kLogInfo, log_location<"onFeatureReport">(),
              "Feature1D4BWirelessStatus::onFeatureReport");
    if (parameters.size() < kEventBytes) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return;
    }
    bool reconnect = parameters[0] == 1;
    bool config_needed = parameters[1] == 1;
    bool powerswitch = parameters[2] == 1;
    Producer<IFeature1D4BWirelessStatus::Report>::produce(
        [reconnect, config_needed, powerswitch](IFeature1D4BWirelessStatus::Report* subscriber) {
            subscriber->onWirelessStatusEvent(reconnect, config_needed, powerswitch);
        },
        "Feature1D4BWirelessStatus::Report::onWirelessStatusEvent");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1D4BWirelessStatus, 1D4B)

#include "Source/Features/Feature2400HybridTracking.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kIsHybridEngineEnabled = 0;
constexpr unsigned kEnableHybridEngine = 1;
constexpr unsigned kGetHybridReportingMode = 2;
constexpr unsigned kSetHybridReportingMode = 3;
constexpr int kRawDataEvent = 0;
constexpr int kStateEvent = 1;

} // namespace

bool Feature2400HybridTracking::IsHybridEngineEnabled(bool* enabled) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kIsHybridEngineEnabled, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(enabled, response[0] != 0);
    return true;
}

bool Feature2400HybridTracking::EnableHybridEngine(bool enable) {
    std::vector<Byte> response;
    return sendFeatureCommand(kEnableHybridEngine, {static_cast<Byte>(enable ? 1 : 0)}, response,
                              CacheMode::Uncached);
}

bool Feature2400HybridTracking::GetHybridReportingMode(int* mode) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetHybridReportingMode, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(mode, response[0]);
    return true;
}

bool Feature2400HybridTracking::SetHybridReportingMode(int mode) {
    std::vector<Byte> response;
    return sendFeatureCommand(kSetHybridReportingMode, {static_cast<Byte>(mode)}, response,
                              CacheMode::Uncached);
}

void Feature2400HybridTracking::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (function == kRawDataEvent) {
        Producer<IFeature2400HybridTracking::Report>::produce(
            [parameters](IFeature2400HybridTracking::Report* subscriber) {
                subscriber->onHybridRawData(parameters);
            },
            "Feature2400HybridTracking::Report::onHybridRawData");
    } else if (function == kStateEvent && !parameters.empty()) {
        int state = parameters[0];
        Producer<IFeature2400HybridTracking::Report>::produce(
            [state](IFeature2400HybridTracking::Report* subscriber) {
                subscriber->onHybridStateChange(state);
            },
            "Feature2400HybridTracking::Report::onHybridStateChange");
    }
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2400HybridTracking, 2400)

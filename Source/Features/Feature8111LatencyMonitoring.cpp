#include "Source/Features/Feature8111LatencyMonitoring.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetMonitoringState{0, 1};
constexpr Operation kSetMonitoringState{1, 0};
constexpr int kOnLatencyEvent = 0;

} // namespace

bool Feature8111LatencyMonitoring::GetMonitoringState(bool* enabled) {
    std::vector<Byte> r;
    if (!exchange<"GetMonitoringState">(kGetMonitoringState, {}, r)) {
        return false;
    }
    set_out(enabled, r[0] != 0);
    return true;
}

bool Feature8111LatencyMonitoring::SetMonitoringState(bool enabled) {
    return exchange<"SetMonitoringState">(kSetMonitoringState,
                                          {static_cast<Byte>(enabled ? 1 : 0)});
}

void Feature8111LatencyMonitoring::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnLatencyEvent || p.size() < 3) {
        return;
    }
    int button = p[0];
    int microseconds = static_cast<int>(be16(p, 1));
    Producer<IFeature8111LatencyMonitoring::Report>::produce(
        [button, microseconds](IFeature8111LatencyMonitoring::Report* subscriber) {
            subscriber->onLatencyEvent(button, microseconds);
        },
        "Feature8111LatencyMonitoring::Report::onLatencyEvent");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8111LatencyMonitoring, 8111)

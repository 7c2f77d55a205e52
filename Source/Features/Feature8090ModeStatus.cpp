#include "Source/Features/Feature8090ModeStatus.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetModeStatus{0, 2};
constexpr int kOnStatusReport = 0;

} // namespace

bool Feature8090ModeStatus::GetModeStatus(int* status, int* status_ext) {
    std::vector<Byte> r;
    if (!exchange<"GetModeStatus">(kGetModeStatus, {}, r)) {
        return false;
    }
    set_out(status, r[0]);
    set_out(status_ext, r[1]);
    return true;
}

void Feature8090ModeStatus::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnStatusReport || p.size() < 2) {
        return;
    }
    int status = p[0];
    int status_ext = p[1];
    Producer<IFeature8090ModeStatus::Report>::produce(
        [status, status_ext](IFeature8090ModeStatus::Report* subscriber) {
            subscriber->onStatusReport(status, status_ext);
        },
        "Feature8090ModeStatus::Report::onStatusReport");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8090ModeStatus, 8090)

#include "Source/Features/Feature8060ReportRate.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetReportRateList{0, 1};
constexpr Operation kGetReportRate{1, 1};
constexpr Operation kSetReportRate{2, 0};

} // namespace

bool Feature8060ReportRate::GetReportRateList(int* rates) {
    std::vector<Byte> r;
    if (!exchange<"GetReportRateList">(kGetReportRateList, {}, r)) {
        return false;
    }
    set_out(rates, r[0]);
    return true;
}

bool Feature8060ReportRate::GetReportRate(int* milliseconds) {
    std::vector<Byte> r;
    if (!exchange<"GetReportRate">(kGetReportRate, {}, r)) {
        return false;
    }
    set_out(milliseconds, r[0]);
    return true;
}

bool Feature8060ReportRate::SetReportRate(int milliseconds) {
    return exchange<"SetReportRate">(kSetReportRate, {static_cast<Byte>(milliseconds)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8060ReportRate, 8060)

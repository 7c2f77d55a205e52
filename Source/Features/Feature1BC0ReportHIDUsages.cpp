#include "Source/Features/Feature1BC0ReportHIDUsages.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetCapabilities{0, 1};
constexpr Operation kGetReportingState{1, 1};
constexpr Operation kSetReportingState{2, 0};

} // namespace

bool Feature1BC0ReportHIDUsages::GetCapabilities(int* capabilities) {
    std::vector<Byte> r;
    if (!exchange<"GetCapabilities">(kGetCapabilities, {}, r)) {
        return false;
    }
    set_out(capabilities, r[0]);
    return true;
}

bool Feature1BC0ReportHIDUsages::GetReportingState(bool* reporting) {
    std::vector<Byte> r;
    if (!exchange<"GetReportingState">(kGetReportingState, {}, r)) {
        return false;
    }
    set_out(reporting, r[0] != 0);
    return true;
}

bool Feature1BC0ReportHIDUsages::SetReportingState(bool reporting) {
    return exchange<"SetReportingState">(kSetReportingState,
                                         {static_cast<Byte>(reporting ? 1 : 0)});
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1BC0ReportHIDUsages, 1BC0)

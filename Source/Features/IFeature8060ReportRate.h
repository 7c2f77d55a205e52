// The report-rate feature 0x8060: how often the device reports, in milliseconds between reports.
// Layouts (this library's choice): function 0 answers the supported rates as a bit mask (bit n: n +
// 1 ms); the rate is one byte of milliseconds.
#pragma once

namespace devio {

class IFeature8060ReportRate {
public:
    static constexpr int kFeatureNumber = 0x8060;

    virtual ~IFeature8060ReportRate() = default;

    [[nodiscard]] virtual bool GetReportRateList(int* rates) = 0;
    [[nodiscard]] virtual bool GetReportRate(int* milliseconds) = 0;
    [[nodiscard]] virtual bool SetReportRate(int milliseconds) = 0;
};

} // namespace devio

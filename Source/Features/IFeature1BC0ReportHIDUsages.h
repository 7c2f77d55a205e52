// The HID-usage reporting feature 0x1BC0: whether the device reports the HID usages of its keys
// over this channel.
// Layouts (this library's choice): the capabilities and the reporting state are one byte each.
#pragma once

namespace devio {

class IFeature1BC0ReportHIDUsages {
public:
    static constexpr int kFeatureNumber = 0x1BC0;

    virtual ~IFeature1BC0ReportHIDUsages() = default;

    [[nodiscard]] virtual bool GetCapabilities(int* capabilities) = 0;
    [[nodiscard]] virtual bool GetReportingState(bool* reporting) = 0;
    [[nodiscard]] virtual bool SetReportingState(bool reporting) = 0;
};

} // namespace devio

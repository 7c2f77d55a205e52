// The mode-status feature 0x8090: the device's operating mode as set by its switches.
// Layouts (this library's choice): two status bytes, answered and reported the same way.
#pragma once

namespace devio {

class IFeature8090ModeStatus {
public:
    static constexpr int kFeatureNumber = 0x8090;

    // The mode changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onStatusReport(int /*status*/, int /*status_ext*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8090ModeStatus() = default;

    [[nodiscard]] virtual bool GetModeStatus(int* status, int* status_ext) = 0;
};

} // namespace devio

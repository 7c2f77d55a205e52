// The latency-monitoring feature 0x8111: the device measures the time from a button press to its
// report.
// Layouts (this library's choice): monitoring is on or off (one byte); the event carries the button
// and the latency in microseconds (16 bits big-endian).
#pragma once

namespace devio {

class IFeature8111LatencyMonitoring {
public:
    static constexpr int kFeatureNumber = 0x8111;

    // A measurement (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onLatencyEvent(int /*button*/, int /*microseconds*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8111LatencyMonitoring() = default;

    [[nodiscard]] virtual bool GetMonitoringState(bool* enabled) = 0;
    [[nodiscard]] virtual bool SetMonitoringState(bool enabled) = 0;
};

} // namespace devio

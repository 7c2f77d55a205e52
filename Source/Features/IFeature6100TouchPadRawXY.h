// The touch-pad raw-XY feature 0x6100: the touch pad's size and the raw finger positions it
// reports to software instead of pointer movement.
#pragma once

namespace devio {

class IFeature6100TouchPadRawXY {
public:
    static constexpr int kFeatureNumber = 0x6100;

    // Produced on the transport's read thread.
    class Report {
    public:
        // Two fingers' positions (function 0 events).
        virtual void onDualXYData(int /*x1*/, int /*y1*/, int /*x2*/, int /*y2*/) {}
        // Another program set the raw reporting state.
        virtual void onModeChanged(unsigned /*software_id*/, int /*state*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature6100TouchPadRawXY() = default;

    [[nodiscard]] virtual bool GetTouchPadInfo(int* x_size, int* y_size) = 0;
    [[nodiscard]] virtual bool GetRawReportState(int* state) = 0;
    [[nodiscard]] virtual bool SetRawReportStateNow(int state) = 0;
};

} // namespace devio

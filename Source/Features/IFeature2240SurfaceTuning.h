// The surface-tuning feature 0x2240: a mouse sensor tuned to the surface it runs on, with
// calibrations of its shutter and of its surface-quality reading.
#pragma once

namespace devio {

class IFeature2240SurfaceTuning {
public:
    static constexpr int kFeatureNumber = 0x2240;

    // Produced on the transport's read thread.
    class Report {
    public:
        virtual void onShutterCalibrationDone(int /*result*/) {}
        virtual void onSqualCalibrationDone(int /*result*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature2240SurfaceTuning() = default;

    [[nodiscard]] virtual bool GetCapabilities(int* capabilities) = 0;
    [[nodiscard]] virtual bool GetSurfaceMode(int* mode) = 0;
    [[nodiscard]] virtual bool SetSurfaceMode(int mode) = 0;
    [[nodiscard]] virtual bool StartShutterCalibration() = 0;
    [[nodiscard]] virtual bool StartSqualCalibration() = 0;
    [[nodiscard]] virtual bool GetCalibrationData(int slot, int* shutter, int* squal) = 0;
    [[nodiscard]] virtual bool ResetCalibration() = 0;
};

} // namespace devio

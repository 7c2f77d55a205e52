// The surface-tuning feature's class. Layouts left open by the protocol and chosen as a mouse of
// this kind answers: 0: -> [capabilities]; 1: -> [mode]; 2: [mode] after set_configured; 3 and
// 4 start the shutter and surface-quality calibrations, whose ends come as events of function 0
// and 1 ([result]); 5: [slot] -> [slot, shutter (16 bits), surface quality (16 bits)], the slot
// echoed; 6 resets the calibration.
#pragma once

#include "Source/Features/IFeature2240SurfaceTuning.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature2240SurfaceTuning
    : public FeatureBase<"Feature2240SurfaceTuning", IFeature2240SurfaceTuning>,
      public Producer<IFeature2240SurfaceTuning::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetCapabilities(int* capabilities) override;
    [[nodiscard]] bool GetSurfaceMode(int* mode) override;
    [[nodiscard]] bool SetSurfaceMode(int mode) override;
    [[nodiscard]] bool StartShutterCalibration() override;
    [[nodiscard]] bool StartSqualCalibration() override;
    [[nodiscard]] bool GetCalibrationData(int slot, int* shutter, int* squal) override;
    [[nodiscard]] bool ResetCalibration() override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;

private:
    bool read_byte(unsigned function, int* value);
    bool command(unsigned function, std::vector<Byte> parameters);
};

} // namespace devio

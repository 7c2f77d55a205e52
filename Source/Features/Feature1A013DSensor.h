// The 3D-sensor feature's class. Layouts left open by the protocol and chosen as a device of this
// kind answers: 0: -> [axes, range (16 bits)]; 1: -> [mode]; 2: [mode]; 3: -> [x, y, z] as signed
// 16 bits; 4 starts a calibration. Events: function 0 (Notif1) and 2 (Notif2) are published with
// their bytes, function 1 as a raw position [x, y, z] (signed 16 bits, 6 bytes at least).
#pragma once

#include "Source/Features/IFeature1A013DSensor.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature1A013DSensor : public FeatureBase<"Feature1A013DSensor", IFeature1A013DSensor>,
                            public Producer<IFeature1A013DSensor::Notif1Report>,
                            public Producer<IFeature1A013DSensor::RawXYZReport>,
                            public Producer<IFeature1A013DSensor::Notif2Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetSensorInfo(int* axes, int* range) override;
    [[nodiscard]] bool GetMode(int* mode) override;
    [[nodiscard]] bool SetMode(int mode) override;
    [[nodiscard]] bool GetCalibration(int* x, int* y, int* z) override;
    [[nodiscard]] bool StartCalibration() override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

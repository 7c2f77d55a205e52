// The hybrid-tracking feature's class. Layouts left open by the protocol and chosen as a device
// of this kind answers: 0: -> [enabled]; 1: [enable]; 2: -> [mode]; 3: [mode]; events of
// function 0 carry raw data (published whole), of function 1 [state].
#pragma once

#include "Source/Features/IFeature2400HybridTracking.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature2400HybridTracking
    : public FeatureBase<"Feature2400HybridTracking", IFeature2400HybridTracking>,
      public Producer<IFeature2400HybridTracking::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool IsHybridEngineEnabled(bool* enabled) override;
    [[nodiscard]] bool EnableHybridEngine(bool enable) override;
    [[nodiscard]] bool GetHybridReportingMode(int* mode) override;
    [[nodiscard]] bool SetHybridReportingMode(int mode) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

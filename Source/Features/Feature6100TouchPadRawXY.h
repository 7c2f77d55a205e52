// The touch-pad raw-XY feature's class. Layouts left open by the protocol and chosen as a touch
// pad of this kind answers: 0: -> [x size (16 bits), y size (16 bits)]; 1: -> [state]; 2: [state]
// after set_configured; events of function 0: [x1, y1, x2, y2] as 16 bits each. Another program's
// answer to function 2 is published as onModeChanged.
#pragma once

#include "Source/Features/IFeature6100TouchPadRawXY.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature6100TouchPadRawXY
    : public FeatureBase<"Feature6100TouchPadRawXY", IFeature6100TouchPadRawXY>,
      public Producer<IFeature6100TouchPadRawXY::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetTouchPadInfo(int* x_size, int* y_size) override;
    [[nodiscard]] bool GetRawReportState(int* state) override;
    [[nodiscard]] bool SetRawReportStateNow(int state) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
};

} // namespace devio

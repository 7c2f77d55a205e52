// Feature 0x00C1, DFU control of the second generation. Another program's answers are only
// logged.
#pragma once

#include <memory>
#include <vector>

#include "Source/Events/Producer.h"
#include "Source/Features/IFeature00c1DFUControl.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature00c1DFUControl : public FeatureBase<"Feature00c1DFUControl", IFeature00c1DFUControl>,
                              public Producer<IFeature00c1DFUControl::ConfigReport> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetDfuControl(int& value) override;
    [[nodiscard]] bool SetDfuControl(Byte p0, Byte p1, Byte p2, Byte p3) override;

protected:
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
};

} // namespace devio

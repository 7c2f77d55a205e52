// Feature 0x00C2, DFU control of the third generation. A failed command leaves GeneralFailure,
// with the command's own ErrorCode as the system-error number. Another program's answers are
// only logged.
#pragma once

#include <memory>
#include <vector>

#include "Source/Events/Producer.h"
#include "Source/Features/IFeature00c2DFUControl.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature00c2DFUControl : public FeatureBase<"Feature00c2DFUControl", IFeature00c2DFUControl>,
                              public Producer<IFeature00c2DFUControl::ConfigReport> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetDfuControl(bool& enabled) override;
    [[nodiscard]] bool SetDfuControl(Byte p0, Byte p1) override;

protected:
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
};

} // namespace devio

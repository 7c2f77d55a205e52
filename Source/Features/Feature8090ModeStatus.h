// The class of feature 0x8090. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8090ModeStatus.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8090ModeStatus.h"

namespace devio {

class Feature8090ModeStatus : public GetSetFeature<"Feature8090ModeStatus", IFeature8090ModeStatus>,
                              public Producer<IFeature8090ModeStatus::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetModeStatus(int* status, int* status_ext) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

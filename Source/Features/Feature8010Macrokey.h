// The class of feature 0x8010. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature8010Macrokey.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature8010Macrokey.h"

namespace devio {

class Feature8010Macrokey : public GetSetFeature<"Feature8010Macrokey", IFeature8010Macrokey>,
                            public Producer<IFeature8010Macrokey::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetCount(int* count) override;
    [[nodiscard]] bool GetKeyInfo(int index, int* control_id, int* flags) override;
    [[nodiscard]] bool SetReporting(bool reporting) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

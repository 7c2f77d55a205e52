// The class of feature 0x40A3. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature40A3FnInversion.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature40A3FnInversion.h"

namespace devio {

class Feature40A3FnInversion
    : public GetSetFeature<"Feature40A3FnInversion", IFeature40A3FnInversion>,
      public Producer<IFeature40A3FnInversion::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetGlobalFnInversion(bool* inverted, bool* default_inverted) override;
    [[nodiscard]] bool SetGlobalFnInversion(bool inverted) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

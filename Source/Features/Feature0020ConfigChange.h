// The configuration-change feature's class. Another program's SetCookie response is published as
// onCookieSet.
#pragma once

#include "Source/Features/IFeature0020ConfigChange.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature0020ConfigChange
    : public FeatureBase<"Feature0020ConfigChange", IFeature0020ConfigChange>,
      public Producer<IFeature0020ConfigChange::ConfigReport> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetCookie(uint16_t* cookie) override;
    [[nodiscard]] bool SetCookie(uint16_t cookie) override;

protected:
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
};

} // namespace devio

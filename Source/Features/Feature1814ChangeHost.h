// The change-host feature's class. Layouts left open by the protocol and chosen as a multi-host
// device answers: 0: -> [host count, current host]; 1: [host], written without waiting, since the
// device switches away before it could answer; 2: -> [cookie per host], as many as the host count
// of function 0 says (at most 15); 3: [host, cookie]. Another program's answer to function 3
// ([host, cookie]) is published as CookieChange.
#pragma once

#include "Source/Features/IFeature1814ChangeHost.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature1814ChangeHost : public FeatureBase<"Feature1814ChangeHost", IFeature1814ChangeHost>,
                              public Producer<IFeature1814ChangeHost::CookieChange> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetHostInfo(int* host_count, int* current_host) override;
    [[nodiscard]] bool SetCurrentHost(int host) override;
    [[nodiscard]] bool GetCookies(std::vector<int>* cookies) override;
    [[nodiscard]] bool SetCookie(int host, int cookie) override;

protected:
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
};

} // namespace devio

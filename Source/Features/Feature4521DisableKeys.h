// The disable-keys feature's class, a setting held while the device is away (PendingChanges.h).
//
// Layouts left open by the protocol and chosen as a keyboard of this kind answers: function 0 ->
// [disableable keys], kept in the response cache; function 1 -> [disabled keys]; function 2
// [disabled keys] -> [disabled keys].
#pragma once

#include "Source/Features/IFeature4521DisableKeys.h"
#include "Source/Features/PendingChanges.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature4521DisableKeys
    : public FeatureBase<"Feature4521DisableKeys", IFeature4521DisableKeys>,
      public Producer<IFeature4521DisableKeys::SettingChange> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetCapabilities(int* disableable_keys) override;
    [[nodiscard]] bool GetDisabledKeys(int* disabled_keys) override;
    [[nodiscard]] bool SetDisabledKeys(int disabled_keys) override;
    [[nodiscard]] bool SetDisabledKeysNow(int disabled_keys) override;

    [[nodiscard]] bool process_pending_changes(bool device_configured) override;

protected:
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;

private:
    PendingChanges<int> pending_;
};

} // namespace devio

// The Fn-inversion feature's class, a setting held while the device is away (PendingChanges.h).
//
// Layouts left open by the protocol and chosen as a keyboard of this kind answers: function 0 ->
// [inverted, default inverted]; function 1 [inverted] -> [inverted]; the device's event of
// function 0 [inverted] tells that the user toggled it on the keyboard.
#pragma once

#include "Source/Features/IFeature40A2FnInversion.h"
#include "Source/Features/PendingChanges.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature40A2FnInversion
    : public FeatureBase<"Feature40A2FnInversion", IFeature40A2FnInversion>,
      public Producer<IFeature40A2FnInversion::SettingChange> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetGlobalFnInversion(bool* inverted, bool* default_inverted) override;
    [[nodiscard]] bool SetGlobalFnInversion(bool inverted) override;
    [[nodiscard]] bool SetGlobalFnInversionNow(bool inverted) override;

    [[nodiscard]] bool process_pending_changes(bool device_configured) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;

private:
    void publish(unsigned software_id, bool inverted);

    PendingChanges<bool> pending_;
};

} // namespace devio

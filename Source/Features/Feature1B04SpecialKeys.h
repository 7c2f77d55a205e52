// The special-keys feature 0x1B04's class: SpecialKeysFeature's operations (a control's reporting
// is read with function 2), and besides key events the raw movement of a diverted control
// (function 1 events: dx, dy as signed 16 bits) and another program's SetCtrlIdReporting,
// published as SettingChange. Its replay of held changes is logged.
#pragma once

#include "Source/Features/IFeature1B04SpecialKeys.h"
#include "Source/Features/SpecialKeysFeature.h"

namespace devio {

class Feature1B04SpecialKeys
    : public SpecialKeysFeature<"Feature1B04SpecialKeys", IFeature1B04SpecialKeys, 2>,
      public Producer<IFeature1B04SpecialKeys::RawXYReport>,
      public Producer<IFeature1B04SpecialKeys::SettingChange> {
public:
    using SpecialKeysFeature::SpecialKeysFeature;

    [[nodiscard]] bool process_pending_changes(bool device_configured) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
    EventLabel key_report_label() const override {
        return "Feature1B04SpecialKeys::KeyReport::onKeyChange";
    }
};

} // namespace devio

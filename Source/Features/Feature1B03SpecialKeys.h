// The special-keys feature 0x1B03's class: its operations, key events and held reporting changes
// come from SpecialKeysFeature; it reads a control's reporting with function 4.
#pragma once

#include "Source/Features/IFeature1B03SpecialKeys.h"
#include "Source/Features/SpecialKeysFeature.h"

namespace devio {

class Feature1B03SpecialKeys
    : public SpecialKeysFeature<"Feature1B03SpecialKeys", IFeature1B03SpecialKeys, 4> {
public:
    using SpecialKeysFeature::SpecialKeysFeature;

protected:
    EventLabel key_report_label() const override {
        return "Feature1B03SpecialKeys::KeyReport::onKeyChange";
    }
};

} // namespace devio

// The class of feature 0x4220. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature4220LockKeyState.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature4220LockKeyState.h"

namespace devio {

class Feature4220LockKeyState
    : public GetSetFeature<"Feature4220LockKeyState", IFeature4220LockKeyState>,
      public Producer<IFeature4220LockKeyState::Report> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetLockState(int* locks) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

// The rotor feature's class. Layouts left open by the protocol and chosen as a device of this kind
// answers: 0: -> [rotor count, capabilities], cached; 1: [rotor] -> [rotor, mode]; 2: [rotor,
// mode] -> [rotor, mode, ...] after set_configured; the device's event (function 0): [rotor,
// steps (signed 16 bits), pressed].
#pragma once

#include "Source/Features/IFeature4600Rotor.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature4600Rotor : public FeatureBase<"Feature4600Rotor", IFeature4600Rotor>,
                         public Producer<IFeature4600Rotor::RotorEvent> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetInfo(int* rotor_count, int* capabilities) override;
    [[nodiscard]] bool GetMode(int rotor, int* mode) override;
    [[nodiscard]] bool SetMode(int rotor, int mode) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
};

} // namespace devio

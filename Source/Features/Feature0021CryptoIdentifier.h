// The crypto-identifier feature's class. Left open by the protocol and chosen as a device of this
// kind answers: GetIdentifier is function 1 and reads 16 bytes (a long answer); function 2 draws
// a new identifier and is answered without parameters. Another program's answer to function 2
// is published as RegenDetect.
#pragma once

#include "Source/Features/IFeature0021CryptoIdentifier.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature0021CryptoIdentifier
    : public FeatureBase<"Feature0021CryptoIdentifier", IFeature0021CryptoIdentifier>,
      public Producer<IFeature0021CryptoIdentifier::RegenDetect> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetIdentifier(std::vector<Byte>* identifier) override;
    [[nodiscard]] bool RegenerateIdentifier() override;

protected:
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;
};

} // namespace devio

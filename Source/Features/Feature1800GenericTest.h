// The generic test feature's class. An answer that does not start with the request's first byte
// is InvalidDeviceData; a request of no byte or more than 16 is refused with Rap20Error + 2 before
// anything is sent. Every device event of the feature is published as GenericResponse.
#pragma once

#include "Source/Features/IFeature1800GenericTest.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature1800GenericTest
    : public FeatureBase<"Feature1800GenericTest", IFeature1800GenericTest>,
      public Producer<IFeature1800GenericTest::GenericResponse> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool TestEcho(const std::vector<Byte>& bytes, std::vector<Byte>* answer) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

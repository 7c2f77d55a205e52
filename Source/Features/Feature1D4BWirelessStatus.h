// The wireless-status feature's class: the device's event, of any function, is published as
// onWirelessStatusEvent.
#pragma once

#include "Source/Features/IFeature1D4BWirelessStatus.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature1D4BWirelessStatus
    : public FeatureBase<"Feature1D4BWirelessStatus", IFeature1D4BWirelessStatus>,
      public Producer<IFeature1D4BWirelessStatus::Report> {
public:
    Feature1D4BWirelessStatus(Byte index, std::weak_ptr<Device> device);
    ~Feature1D4BWirelessStatus() override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;
};

} // namespace devio

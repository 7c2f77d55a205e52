// Feature 0x0003 of a virtual device: the firmware entities (application, bootloader, hardware)
// with their versions, the running one marked in bit 0 of rdnf, and the device's identity.
#pragma once

#include "sim/FirmwareInventory.h"
#include "sim/VirtualFeature.h"

namespace devio::sim {

class FirmwareInfoFeature final : public VirtualFeature {
public:
    explicit FirmwareInfoFeature(const FirmwareInventory& inventory) : inventory_(inventory) {}

    uint16_t number() const override { return 0x0003; }
    Byte version() const override { return 1; }
    FeatureAnswer handle(const FeatureRequest& request) override;

private:
    const FirmwareInventory& inventory_;
};

} // namespace devio::sim

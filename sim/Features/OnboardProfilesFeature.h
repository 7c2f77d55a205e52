// Feature 0x8100 of the virtual mouse: the on-board profile memory (ReadData, BeginWrite,
// WriteData, EndWrite, GetCRC), its description, and the on-board mode, active profile and
// resolution, which live in RAM.
#pragma once

#include "sim/ProfileMemory.h"
#include "sim/VirtualFeature.h"

namespace devio::sim {

class OnboardProfilesFeature final : public VirtualFeature {
public:
    static constexpr Byte kOnboardMode = 1;
    static constexpr Byte kHostMode = 2;
    static constexpr int kResolutionCount = 5;

    // `refused_writes`: how many BeginWrite requests are refused (HardwareError) before writes
    // are taken; a restart keeps the count.
    explicit OnboardProfilesFeature(ProfileMemory& memory, unsigned refused_writes = 0)
        : memory_(memory), refused_writes_(refused_writes) {}

    uint16_t number() const override { return 0x8100; }
    FeatureAnswer handle(const FeatureRequest& request) override;
    void restart() override;

private:
    FeatureAnswer info() const;
    FeatureAnswer read(const FeatureRequest& request) const;
    FeatureAnswer write(const FeatureRequest& request);
    FeatureAnswer crc(const FeatureRequest& request) const;

    ProfileMemory& memory_;
    unsigned refused_writes_;
    Byte mode_ = kOnboardMode;
    uint16_t active_profile_ = 1;
    Byte resolution_ = 0;
};

} // namespace devio::sim

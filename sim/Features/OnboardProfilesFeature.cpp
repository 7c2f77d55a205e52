#include "sim/Features/OnboardProfilesFeature.h"

#include <span>

namespace devio::sim {

namespace {

enum Function : Byte {
    GetInfo = 0,
    SetMode = 1,
    GetMode = 2,
    SetActiveProfile = 3,
    GetActiveProfile = 4,
    ReadData = 5,
    BeginWrite = 6,
    WriteData = 7,
    EndWrite = 8,
    ExecuteMacro = 9,
    GetCrc = 10,
    GetResolution = 11,
    SetResolution = 12,
};

FeatureAnswer done_or(std::optional<rap::Rap20Error> error) {
    return error ? FeatureAnswer::fail(*error) : FeatureAnswer::ok();
}

std::vector<Byte> word(uint16_t value) {
    return {static_cast<Byte>(value >> 8), static_cast<Byte>(value & 0xFF)};
}

} // namespace

FeatureAnswer OnboardProfilesFeature::handle(const FeatureRequest& request) {
    switch (request.function) {
    case GetInfo:
        return info();
    case SetMode:
        if (request.params[0] != kOnboardMode && request.params[0] != kHostMode) {
            return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
        }
        mode_ = request.params[0];
        return FeatureAnswer::ok();
    case GetMode:
        return FeatureAnswer::ok({mode_});
    case SetActiveProfile: {
        uint16_t profile = request.u16(0);
        if (profile < 1 || profile > ProfileMemory::kFactoryProfiles) {
            return FeatureAnswer::fail(rap::Rap20Error::OutOfRange);
        }
        active_profile_ = profile;
        return FeatureAnswer::ok();
    }
    case GetActiveProfile:
        return FeatureAnswer::ok(word(active_profile_));
    case ReadData:
        return read(request);
    case BeginWrite:
        if (refused_writes_ > 0) {
            --refused_writes_;
            return FeatureAnswer::fail(rap::Rap20Error::HardwareError);
        }
        return done_or(memory_.begin_write(request.u16(0), request.u16(2), request.u16(4)));
    case WriteData:
        return write(request);
    case EndWrite:
        return done_or(memory_.end_write());
    case ExecuteMacro:
        return FeatureAnswer::ok();
    case GetCrc:
        return crc(request);
    case GetResolution:
        return FeatureAnswer::ok({resolution_});
    case SetResolution:
        if (request.params[0] >= kResolutionCount) {
            return FeatureAnswer::fail(rap::Rap20Error::OutOfRange);
        }
        resolution_ = request.params[0];
        return FeatureAnswer::ok();
    default:
        return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
    }
}

void OnboardProfilesFeature::restart() {
    mode_ = kOnboardMode;
    active_profile_ = 1;
    resolution_ = 0;
}

FeatureAnswer OnboardProfilesFeature::info() const {
    // Memory model, profile format, macro format, profile count, factory profile count, button
    // count, sector count; then the sector size and the flags byte.
    std::vector<Byte> params{1,
                             1,
                             1,
                             ProfileMemory::kFactoryProfiles,
                             ProfileMemory::kFactoryProfiles,
                             11,
                             ProfileMemory::kSectorCount};
    auto size = word(ProfileMemory::kSectorSize);
    params.insert(params.end(), size.begin(), size.end());
    params.push_back(0);
    return FeatureAnswer::ok(std::move(params));
}

FeatureAnswer OnboardProfilesFeature::read(const FeatureRequest& request) const {
    auto block = memory_.read(request.u16(0), request.u16(2));
    if (!block) {
        return FeatureAnswer::fail(rap::Rap20Error::OutOfRange);
    }
    return FeatureAnswer::ok({block->begin(), block->end()});
}

FeatureAnswer OnboardProfilesFeature::write(const FeatureRequest& request) {
    uint16_t progress = 0;
    auto error =
        memory_.write(std::span<const Byte>(request.params.data(), request.param_count), progress);
    return error ? FeatureAnswer::fail(*error) : FeatureAnswer::ok(word(progress));
}

FeatureAnswer OnboardProfilesFeature::crc(const FeatureRequest& request) const {
    uint16_t sector = request.u16(0);
    if (sector >= ProfileMemory::kSectorCount) {
        return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
    }
    return FeatureAnswer::ok(word(ProfileMemory::crc(memory_.sector(sector))));
}

} // namespace devio::sim

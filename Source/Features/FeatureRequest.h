// The common shape of a feature operation: one function sent through the feature, whose answer
// must carry at least the parameter bytes the operation reads; fewer give CommandResponseTooShort.
// And the flags byte that discovery reports for a feature.
#pragma once

#include <cstddef>
#include <vector>

#include "Source/Byte.h"
#include "Source/Contracts/IFeature.h"

namespace devio {

// False with the thread's error when the exchange fails or the answer is short.
bool send_expecting(IFeature& feature, unsigned function, const std::vector<Byte>& parameters,
                    CacheMode cache_mode, std::size_t needed, std::vector<Byte>& response,
                    const rap::MatchPositions& positions = {});

// The feature flags of GetFeature and GetFeatureID: bit 7 obsolete, bit 6 hidden from software,
// bit 5 hidden outside engineering.
struct FeatureFlags {
    bool obsolete;
    bool hidden;
    bool engineering;

    static FeatureFlags from(Byte flags) {
        return {(flags & 0x80) != 0, (flags & 0x40) != 0, (flags & 0x20) != 0};
    }
};

} // namespace devio

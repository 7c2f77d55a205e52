#include "Source/Features/FeatureRequest.h"

#include "Source/Log/LastError.h"

namespace devio {

bool send_expecting(IFeature& feature, unsigned function, const std::vector<Byte>& parameters,
                    CacheMode cache_mode, std::size_t needed, std::vector<Byte>& response,
                    const rap::MatchPositions& positions) {
    std::vector<Byte> answer;
    if (!feature.sendFeatureCommand(function, parameters, answer, cache_mode, positions)) {
        return false;
    }
    if (answer.size() < needed) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    response = std::move(answer);
    return true;
}

} // namespace devio

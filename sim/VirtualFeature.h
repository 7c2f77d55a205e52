// One RAP 2.0 feature of a virtual device: its number and version, and how it answers a request.
// Features run on the simulator thread with the simulator lock held.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "sim/RapReport.h"

namespace devio::sim {

// A request as the feature sees it. The parameters are always 16 bytes (zero beyond what the
// report carried), so that no feature can read past the end of a short report; `param_count`
// tells how many came.
struct FeatureRequest {
    Byte feature_index = 0;
    Byte function = 0;
    Byte software_id = 0;
    std::array<Byte, rap::kLongParameterCount> params{};
    std::size_t param_count = 0;

    uint16_t u16(std::size_t offset) const {
        return static_cast<uint16_t>(params[offset] << 8 | params[offset + 1]);
    }
};

// What a feature does with a request: answer with parameters, refuse it with a RAP 2.0 error, or
// stay silent (the device restarts, or the answer never comes). `then` runs once the answer has
// left the device (or would have), for what must follow it, such as a restart.
struct FeatureAnswer {
    enum class Kind { Params, Error, Silent };
    Kind kind = Kind::Silent;
    std::vector<Byte> params;
    rap::Rap20Error error = rap::Rap20Error::Unknown;
    std::function<void()> then;
    // The answer leaves the device this much later than usual.
    std::chrono::microseconds extra_delay{0};

    static FeatureAnswer ok(std::vector<Byte> params = {}) {
        FeatureAnswer answer;
        answer.kind = Kind::Params;
        answer.params = std::move(params);
        return answer;
    }
    static FeatureAnswer fail(rap::Rap20Error error) {
        FeatureAnswer answer;
        answer.kind = Kind::Error;
        answer.error = error;
        return answer;
    }
    static FeatureAnswer silent() { return {}; }
    FeatureAnswer&& followed_by(std::function<void()> action) && {
        then = std::move(action);
        return std::move(*this);
    }
    FeatureAnswer&& delayed_by(std::chrono::microseconds delay) && {
        extra_delay = delay;
        return std::move(*this);
    }
};

class VirtualFeature {
public:
    virtual ~VirtualFeature() = default;
    virtual uint16_t number() const = 0;
    virtual Byte version() const { return 0; }
    virtual FeatureAnswer handle(const FeatureRequest& request) = 0;
    // The firmware restarts: settings that live in RAM are lost.
    virtual void restart() {}
};

} // namespace devio::sim

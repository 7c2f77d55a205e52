// The root feature's class. It keeps the protocol and target software after the first answer,
// so that TargetSw costs no device traffic afterwards.
#pragma once

#include <mutex>
#include <optional>

#include "Source/Features/IFeature0000Root.h"
#include "Source/Rap/FeatureBase.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature0000Root : public FeatureBase<"Feature0000Root", IFeature0000Root> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetFeature(int featureId, int* featureIndex, bool* obsolete, bool* hidden,
                                  bool* engineering, int* version, CacheMode cache_mode) override;
    [[nodiscard]] bool GetProtocolVersion(int ping_sent, int* protocol, int* targetsw,
                                          int* ping_received) override;
    [[nodiscard]] bool TargetSw(int* protocol, int* targetsw) override
        DEVIO_EXCLUDES(target_mutex_);
    [[nodiscard]] bool Ping(int value) override;

private:
    struct Target {
        int protocol;
        int targetsw;
    };
    sys::Mutex target_mutex_;
    std::optional<Target> target_ DEVIO_GUARDED_BY(target_mutex_);
};

} // namespace devio

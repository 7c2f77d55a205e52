// The root feature 0x0000, always at feature index 0: where a feature number lives on the device,
// and the protocol-version request that doubles as the ping.
#pragma once

#include "Source/Contracts/CacheMode.h"

namespace devio {

class IFeature0000Root {
public:
    static constexpr int kFeatureNumber = 0x0000;

    virtual ~IFeature0000Root() = default;

    // The device's index of `featureId`; index 0 means the device lacks the feature.
    [[nodiscard]] virtual bool GetFeature(int featureId, int* featureIndex, bool* obsolete,
                                          bool* hidden, bool* engineering, int* version,
                                          CacheMode cache_mode) = 0;
    // Protocol and target software; the device echoes `ping_sent`. With ping 0 the answer is
    // served from the response cache after the first time.
    [[nodiscard]] virtual bool GetProtocolVersion(int ping_sent, int* protocol, int* targetsw,
                                                  int* ping_received) = 0;
    // GetProtocolVersion with ping 0, asked once and then answered from the kept values.
    [[nodiscard]] virtual bool TargetSw(int* protocol, int* targetsw) = 0;
    // A ping with `value`; PingMismatch when the device echoes another byte.
    [[nodiscard]] virtual bool Ping(int value) = 0;
};

} // namespace devio

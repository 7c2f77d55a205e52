// The wireless-status feature 0x1D4B: after a reconnection over the wireless link the device tells
// whether it wants its software settings again. It has no functions, only its event.
#pragma once

namespace devio {

class IFeature1D4BWirelessStatus {
public:
    static constexpr int kFeatureNumber = 0x1D4B;

    // Produced on the transport's read thread.
    class Report {
    public:
        virtual void onWirelessStatusEvent(bool /*reconnect*/, bool /*config_needed*/,
                                           bool /*powerswitch*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature1D4BWirelessStatus() = default;
};

} // namespace devio

// The dual-platform feature 0x4530: which of two operating systems a keyboard's layout serves.
// Layouts (this library's choice): the platform is one byte; the event carries the new platform.
#pragma once

namespace devio {

class IFeature4530DualPlatform {
public:
    static constexpr int kFeatureNumber = 0x4530;

    // The platform changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onPlatformChangeEvent(int /*platform*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature4530DualPlatform() = default;

    [[nodiscard]] virtual bool GetPlatform(int* platform) = 0;
    [[nodiscard]] virtual bool SetPlatform(int platform) = 0;
};

} // namespace devio

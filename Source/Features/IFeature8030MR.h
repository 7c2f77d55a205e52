// The macro-record feature 0x8030: the key that starts recording a macro, and its light.
// Layouts (this library's choice): the light is one byte; the event carries whether the key is
// pressed.
#pragma once

namespace devio {

class IFeature8030MR {
public:
    static constexpr int kFeatureNumber = 0x8030;

    // The key was pressed or released (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onButtonReport(bool /*pressed*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8030MR() = default;

    [[nodiscard]] virtual bool SetLED(bool on) = 0;
};

} // namespace devio

// The M-key feature 0x8020: the memory keys that select a macro set, with their lights.
// Layouts (this library's choice): the number of keys (kept in the response cache); the lights are
// a bit mask, and setting them claims the device's configuration first; the event carries the
// pressed keys as a bit mask.
#pragma once

namespace devio {

class IFeature8020Mkeys {
public:
    static constexpr int kFeatureNumber = 0x8020;

    // The pressed M keys changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onMKey(int /*pressed*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8020Mkeys() = default;

    [[nodiscard]] virtual bool GetCount(int* count) = 0;
    [[nodiscard]] virtual bool SetLEDs(int leds) = 0;
};

} // namespace devio

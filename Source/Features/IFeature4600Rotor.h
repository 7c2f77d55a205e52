// The rotor feature 0x4600: the dials (crowns, rotors) of a device, their mode, and their turns.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature4600Rotor {
public:
    static constexpr int kFeatureNumber = 0x4600;

    // Produced on the transport's read thread.
    class RotorEvent {
    public:
        // A rotor turned (signed steps) or was pressed, from the device's events.
        virtual void onRotorEvent(int /*rotor*/, int /*steps*/, bool /*pressed*/) {}
        // Another program set a rotor's mode: its software id and the first five parameter
        // bytes of its SetMode answer.
        virtual void onModeChanged(unsigned /*software_id*/, const std::vector<Byte>& /*bytes*/) {}
        virtual ~RotorEvent() = default;
    };

    virtual ~IFeature4600Rotor() = default;

    [[nodiscard]] virtual bool GetInfo(int* rotor_count, int* capabilities) = 0;
    [[nodiscard]] virtual bool GetMode(int rotor, int* mode) = 0;
    [[nodiscard]] virtual bool SetMode(int rotor, int mode) = 0;
};

} // namespace devio

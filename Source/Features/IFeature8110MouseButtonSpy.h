// The button-spy feature 0x8110: software sees the buttons instead of the system, and may remap
// them.
// Layouts (this library's choice): the number of buttons; spying is started and stopped; the
// remapping is up to 16 bytes, one per button; the event carries the pressed buttons as a 16-bit
// big-endian mask.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature8110MouseButtonSpy {
public:
    static constexpr int kFeatureNumber = 0x8110;

    // The pressed buttons changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onButtonReport(int /*pressed*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8110MouseButtonSpy() = default;

    [[nodiscard]] virtual bool GetNbButtons(int* count) = 0;
    [[nodiscard]] virtual bool StartSpy() = 0;
    [[nodiscard]] virtual bool StopSpy() = 0;
    [[nodiscard]] virtual bool GetRemapping(std::vector<Byte>* remapping) = 0;
    [[nodiscard]] virtual bool SetRemapping(const std::vector<Byte>& remapping) = 0;
};

} // namespace devio

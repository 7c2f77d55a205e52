// Feature 0x00C1, the second generation of DFU control: reads and sets the device's DFU control
// state. The library passes the control bytes through; their meaning is the device's.
#pragma once

#include "Source/Byte.h"

namespace devio {

class IFeature00c1DFUControl {
public:
    static constexpr int kFeatureNumber = 0x00C1;

    // Declared for the family; this generation produces no event.
    class ConfigReport {
    public:
        virtual void onConfigReport(unsigned /*software_id*/, uint16_t /*value*/) {}
        virtual ~ConfigReport() = default;
    };

    virtual ~IFeature00c1DFUControl() = default;

    // `value` := the second parameter byte of the answer to function 0.
    [[nodiscard]] virtual bool GetDfuControl(int& value) = 0;
    // Function 1 with the four control bytes and the "DFU" confirmation; waits for the answer.
    [[nodiscard]] virtual bool SetDfuControl(Byte p0, Byte p1, Byte p2, Byte p3) = 0;
};

} // namespace devio

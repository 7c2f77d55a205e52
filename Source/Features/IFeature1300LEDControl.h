// The LED-control feature 0x1300: the device's LEDs, what they can do, and their states.
#pragma once

namespace devio {

class IFeature1300LEDControl {
public:
    static constexpr int kFeatureNumber = 0x1300;

    struct LEDInfo {
        int index = 0;
        int type = 0;
        int physical_count = 0;
        int capabilities = 0;
        int nv_capabilities = 0;
    };

    virtual ~IFeature1300LEDControl() = default;

    [[nodiscard]] virtual bool GetLEDCount(int* count) = 0;
    [[nodiscard]] virtual bool GetLEDInfo(int index, LEDInfo* info) = 0;
    [[nodiscard]] virtual bool HasSWControl(int* flag) = 0;
    [[nodiscard]] virtual bool SetSWControl(int value) = 0;
    [[nodiscard]] virtual bool GetLEDState(int index, int* mode) = 0;
    [[nodiscard]] virtual bool GetLEDStateAdditionalInfo(int index, int* mode, int* value,
                                                         bool* has_extra, int* extra) = 0;
    // a to d are sent as 16-bit big-endian values.
    [[nodiscard]] virtual bool SetLEDState(int index, int a, int b, int c, int d) = 0;
    [[nodiscard]] virtual bool GetNvConfig(int index, int* value) = 0;
    [[nodiscard]] virtual bool SetNvConfig(int index, int value) = 0;
};

} // namespace devio

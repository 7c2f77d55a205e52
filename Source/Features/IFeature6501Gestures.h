// The gestures feature 0x6501: the gestures a touch device recognises, described by a descriptor
// it hands out, whether each is enabled or diverted to software, and their parameters.
#pragma once

#include <cstdint>
#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature6501Gestures {
public:
    static constexpr int kFeatureNumber = 0x6501;

    // A gesture diverted to software happened. Produced on the transport's read thread.
    class GestureReport {
    public:
        virtual void onGestureReport(int /*function*/, const std::vector<Byte>& /*data*/) {}
        virtual ~GestureReport() = default;
    };

    virtual ~IFeature6501Gestures() = default;

    // The id of the gesture at `index` and the number of gestures (IndexOutOfRange beyond it).
    [[nodiscard]] virtual bool GetGestureInfo(int index, int* gesture, int* count) = 0;
    [[nodiscard]] virtual bool IsEnabled(int gesture, bool* enabled) = 0;
    [[nodiscard]] virtual bool EnableNow(int gesture, bool enable) = 0;
    [[nodiscard]] virtual bool IsDiverted(int gesture, bool* diverted) = 0;
    [[nodiscard]] virtual bool DivertNow(int gesture, bool divert) = 0;
    [[nodiscard]] virtual bool GetSpec(int gesture, int spec, int* value) = 0;
    [[nodiscard]] virtual bool ParamDefault(int gesture, int parameter, int* value) = 0;
    [[nodiscard]] virtual bool GetParam(int gesture, int parameter, int* value) = 0;
    [[nodiscard]] virtual bool SetParamNow(int gesture, int parameter, int value) = 0;
    // The descriptor's fields as the device gave them.
    [[nodiscard]] virtual bool GetRawDescriptor(std::vector<uint16_t>* fields) = 0;
    // Sends a report of software's own for a diverted gesture.
    [[nodiscard]] virtual bool SendReport(const std::vector<Byte>& data) = 0;
};

} // namespace devio

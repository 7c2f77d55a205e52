// The special-keys feature 0x1B03: the keys and buttons whose reporting software can take over
// or remap, by control id. A change of reporting made while the device is away is held and
// written on its next connection.
#pragma once

#include <vector>

#include "Source/Features/SpecialKeysCommon.h"

namespace devio {

class IFeature1B03SpecialKeys {
public:
    static constexpr int kFeatureNumber = 0x1B03;

    // The control ids held down, in the device's order (empty: all released). Produced on the
    // transport's read thread.
    class KeyReport {
    public:
        virtual void onKeyChange(const std::vector<int>& /*control_ids*/) {}
        virtual ~KeyReport() = default;
    };

    virtual ~IFeature1B03SpecialKeys() = default;

    [[nodiscard]] virtual bool GetCount(int* count) = 0;
    [[nodiscard]] virtual bool GetCtrlIdInfo(int index, int* control_id, int* task_id,
                                             int* flags) = 0;
    [[nodiscard]] virtual bool GetCtrlIdReporting(int control_id, CtrlIdReporting* reporting) = 0;
    // Writes the reporting now, or, when the device is not connected, holds it for the next
    // connection (and succeeds).
    [[nodiscard]] virtual bool SetCtrlIdReporting(const CtrlIdReporting& reporting) = 0;
    [[nodiscard]] virtual bool SetCtrlIdReportingNow(const CtrlIdReporting& reporting) = 0;
};

} // namespace devio

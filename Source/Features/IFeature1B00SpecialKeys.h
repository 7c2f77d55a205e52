// The special-keys feature 0x1B00: the device's special keys and buttons, and their presses.
// Layouts (this library's choice): function 0 answers the number of keys; function 1, for a key's
// index, its control id and task id (16 bits big-endian each) and a flags byte. Both never change
// for a firmware and are kept in the response cache. The event lists up to four pressed control ids
// (16 bits big-endian each; a zero id ends the list).
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature1B00SpecialKeys {
public:
    static constexpr int kFeatureNumber = 0x1B00;

    // The pressed keys changed (event function 0): the control ids now pressed. Produced on the
    // transport's read thread.
    class KeyReport {
    public:
        virtual void onKeyChange(const std::vector<int>& /*pressed*/) {}
        virtual ~KeyReport() = default;
    };

    virtual ~IFeature1B00SpecialKeys() = default;

    [[nodiscard]] virtual bool GetCount(int* count) = 0;
    [[nodiscard]] virtual bool GetCidInfo(int index, int* control_id, int* task_id, int* flags) = 0;
};

} // namespace devio

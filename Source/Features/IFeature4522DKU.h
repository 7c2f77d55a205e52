// The disable-keys-by-usage feature 0x4522: keys switched off by their HID usage.
// Layouts (this library's choice): the capabilities are the most keys that can be off at once; keys
// are given as up to 16 usage bytes; the last function switches every key back on.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature4522DKU {
public:
    static constexpr int kFeatureNumber = 0x4522;

    virtual ~IFeature4522DKU() = default;

    [[nodiscard]] virtual bool GetCapabilities(int* max_disabled) = 0;
    // At most the first 16 usages are sent.
    [[nodiscard]] virtual bool DisableKeys(const std::vector<Byte>& usages) = 0;
    [[nodiscard]] virtual bool EnableKeys(const std::vector<Byte>& usages) = 0;
    [[nodiscard]] virtual bool EnableAllKeys() = 0;
};

} // namespace devio

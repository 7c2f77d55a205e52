// The crypto-identifier feature 0x0021: a random identifier of 16 bytes the device keeps, which
// software can have it draw anew.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature0021CryptoIdentifier {
public:
    static constexpr int kFeatureNumber = 0x0021;
    static constexpr std::size_t kIdentifierBytes = 16;

    // Another program had the identifier drawn anew. Produced on the transport's read thread.
    class RegenDetect {
    public:
        virtual void onRegenerateIdentifier(unsigned /*software_id*/) {}
        virtual ~RegenDetect() = default;
    };

    virtual ~IFeature0021CryptoIdentifier() = default;

    [[nodiscard]] virtual bool GetIdentifier(std::vector<Byte>* identifier) = 0;
    [[nodiscard]] virtual bool RegenerateIdentifier() = 0;
};

} // namespace devio

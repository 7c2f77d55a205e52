// The generic test feature 0x1800: an echo of bytes sent to the device, for checking the link.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature1800GenericTest {
public:
    static constexpr int kFeatureNumber = 0x1800;
    // The most bytes one request carries.
    static constexpr std::size_t kMaxBytes = 16;

    // A test answer the device sends on its own. Produced on the transport's read thread.
    class GenericResponse {
    public:
        virtual void onTestResponse(const std::vector<Byte>& /*parameters*/) {}
        virtual ~GenericResponse() = default;
    };

    virtual ~IFeature1800GenericTest() = default;

    // Sends `bytes` (1 to 16) and hands back the device's answer, which must echo the first byte.
    [[nodiscard]] virtual bool TestEcho(const std::vector<Byte>& bytes,
                                        std::vector<Byte>* answer) = 0;
};

} // namespace devio

// The multi-platform feature 0x4531: the operating system each host of a device runs.
// Layouts (this library's choice): the feature information is a capabilities byte, the number of
// platforms and the number of descriptors; a descriptor (by index) is its platform, its platform
// index and its operating-system mask (16 bits big-endian); a host's platform (by host index) is a
// status byte and a platform index; the event carries a host index and its platform index.
#pragma once

namespace devio {

class IFeature4531MultiPlatform {
public:
    static constexpr int kFeatureNumber = 0x4531;

    // A host's platform changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onPlatformChangeEvent(int /*host*/, int /*platform_index*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature4531MultiPlatform() = default;

    [[nodiscard]] virtual bool GetFeatureInfos(int* capabilities, int* platforms,
                                               int* descriptors) = 0;
    [[nodiscard]] virtual bool GetPlatformDescriptor(int index, int* platform, int* platform_index,
                                                     int* os_mask) = 0;
    [[nodiscard]] virtual bool GetHostPlatform(int host, int* status, int* platform_index) = 0;
    [[nodiscard]] virtual bool setHostPlatform(int host, int platform_index) = 0;
};

} // namespace devio

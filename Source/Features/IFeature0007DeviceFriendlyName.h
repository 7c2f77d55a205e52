// The friendly-name feature 0x0007: the name the user gave the device, read and written in chunks.
// Layouts (this library's choice): GetFriendlyNameLen answers the name's length, its maximum and
// the default name's length; a name is read or written from a byte position, a read answering the
// position and then up to 15 name bytes (a zero byte ends the name); a write sends the position and
// up to 15 bytes and answers the new length.
#pragma once

#include <string>

namespace devio {

class IFeature0007DeviceFriendlyName {
public:
    static constexpr int kFeatureNumber = 0x0007;

    virtual ~IFeature0007DeviceFriendlyName() = default;

    [[nodiscard]] virtual bool GetFriendlyNameLen(int* length, int* max_length,
                                                  int* default_length) = 0;
    // The name bytes from `position` on, at most 15.
    [[nodiscard]] virtual bool GetFriendlyName(int position, std::string* chunk) = 0;
    [[nodiscard]] virtual bool GetDefaultFriendlyName(int position, std::string* chunk) = 0;
    // Writes at most the first 15 bytes of `chunk` at `position`; answers the name's new length.
    [[nodiscard]] virtual bool SetFriendlyName(int position, const std::string& chunk,
                                               int* length) = 0;
    // Back to the default name; answers its length.
    [[nodiscard]] virtual bool ResetFriendlyName(int* length) = 0;
};

} // namespace devio

#include "Source/Features/Feature0007DeviceFriendlyName.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetFriendlyNameLen{0, 3};
constexpr Operation kGetFriendlyName{1, 1};
constexpr Operation kGetDefaultFriendlyName{2, 1};
constexpr Operation kSetFriendlyName{3, 1};
constexpr Operation kResetFriendlyName{4, 1};

} // namespace

bool Feature0007DeviceFriendlyName::GetFriendlyNameLen(int* length, int* max_length,
                                                       int* default_length) {
    std::vector<Byte> r;
    if (!exchange<"GetFriendlyNameLen">(kGetFriendlyNameLen, {}, r)) {
        return false;
    }
    set_out(length, r[0]);
    set_out(max_length, r[1]);
    set_out(default_length, r[2]);
    return true;
}

bool Feature0007DeviceFriendlyName::GetFriendlyName(int position, std::string* chunk) {
    std::vector<Byte> r;
    if (!exchange<"GetFriendlyName">(kGetFriendlyName, {static_cast<Byte>(position)}, r)) {
        return false;
    }
    set_out(chunk, text_of(slice(r, 1, 15)));
    return true;
}

bool Feature0007DeviceFriendlyName::GetDefaultFriendlyName(int position, std::string* chunk) {
    std::vector<Byte> r;
    if (!exchange<"GetDefaultFriendlyName">(kGetDefaultFriendlyName, {static_cast<Byte>(position)},
                                            r)) {
        return false;
    }
    set_out(chunk, text_of(slice(r, 1, 15)));
    return true;
}

bool Feature0007DeviceFriendlyName::SetFriendlyName(int position, const std::string& chunk,
                                                    int* length) {
    std::vector<Byte> r;
    if (!exchange<"SetFriendlyName">(
            kSetFriendlyName, joined({static_cast<Byte>(position)}, text_bytes(chunk, 15)), r)) {
        return false;
    }
    set_out(length, r[0]);
    return true;
}

bool Feature0007DeviceFriendlyName::ResetFriendlyName(int* length) {
    std::vector<Byte> r;
    if (!exchange<"ResetFriendlyName">(kResetFriendlyName, {}, r)) {
        return false;
    }
    set_out(length, r[0]);
    return true;
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature0007DeviceFriendlyName, 0007)

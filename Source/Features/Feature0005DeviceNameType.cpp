#include "Source/Features/Feature0005DeviceNameType.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetCount = 0;
constexpr unsigned kGetDeviceName = 1;
constexpr unsigned kGetDeviceType = 2;

} // namespace

const char* device_type_name(int type) {
    static constexpr const char* kNames[] = {"Keyboard", "Remote control", "Numpad",    "Mouse",
                                             "Touchpad", "Trackball",      "Presenter", "Receiver"};
    if (type < 0 || type >= static_cast<int>(std::size(kNames))) {
        return "Unknown";
    }
    return kNames[type];
}

bool Feature0005DeviceNameType::GetCount(int* count) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetCount, {}, CacheMode::Cached, 1, response)) {
        return false;
    }
    set_out(count, response[0]);
    return true;
}

bool Feature0005DeviceNameType::GetDeviceName(std::string* name) {
    {
        sys::MutexLock lock(name_mutex_);
        if (name_) {
            if (name != nullptr) {
                *name = *name_;
            }
            return true;
        }
    }
    // Read without the lock, which is a leaf: two first callers may both read the same name.
    std::string read;
    if (!read_name(read)) {
        return false;
    }
    sys::MutexLock lock(name_mutex_);
    if (!name_) {
        name_ = std::move(read);
    }
    if (name != nullptr) {
        *name = *name_;
    }
    return true;
}

bool Feature0005DeviceNameType::read_name(std::string& name) {
    int length = 0;
    if (!GetCount(&length)) {
        xLogWrite(kTag, kLogDebug, log_location<"GetDeviceName">(),
                  "Feature0005DeviceNameType::GetDeviceName failed");
        return false;
    }
    // Every pass adds at least one byte, so the length (at most 255) bounds the requests.
    while (static_cast<int>(name.size()) < length) {
        std::vector<Byte> chunk;
        if (!send_expecting(*this, kGetDeviceName, {static_cast<Byte>(name.size())},
                            CacheMode::Cached, 1, chunk)) {
            xLogWrite(kTag, kLogDebug, log_location<"GetDeviceName">(),
                      "Feature0005DeviceNameType::GetDeviceName failed");
            return false;
        }
        std::size_t wanted = static_cast<std::size_t>(length) - name.size();
        auto end = std::find(chunk.begin(), chunk.end(), Byte{0});
        std::size_t got = std::min(wanted, static_cast<std::size_t>(end - chunk.begin()));
        if (got == 0) {
            set_last_error(ErrorCode::EmptyResponse);
            return false;
        }
        name.append(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    }
    return true;
}

bool Feature0005DeviceNameType::GetDeviceType(int* type) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetDeviceType, {}, CacheMode::Cached, 1, response)) {
        return false;
    }
    set_out(type, response[0]);
    return true;
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature0005DeviceNameType, 0005)

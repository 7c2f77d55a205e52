#include "Source/Features/Feature6501Gestures.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kReadDescriptor = 0;
constexpr unsigned kIsEnabled = 1;
constexpr unsigned kEnable = 2;
constexpr unsigned kIsDiverted = 3;
constexpr unsigned kDivert = 4;
constexpr unsigned kGetSpec = 5;
constexpr unsigned kParamDefault = 6;
constexpr unsigned kGetParam = 7;
constexpr unsigned kSetParam = 8;
constexpr unsigned kSendReport = 9;

} // namespace

bool Feature6501Gestures::descriptor(std::vector<uint16_t>& fields) {
    {
        sys::MutexLock lock(descriptor_mutex_);
        if (descriptor_) {
            fields = *descriptor_;
            return true;
        }
    }
    // Read without the lock, which is a leaf: two first callers may both read the descriptor.
    std::vector<uint16_t> read;
    if (!read_descriptor(read)) {
        return false;
    }
    sys::MutexLock lock(descriptor_mutex_);
    if (!descriptor_) {
        descriptor_ = std::move(read);
    }
    fields = *descriptor_;
    return true;
}

bool Feature6501Gestures::read_descriptor(std::vector<uint16_t>& fields) {
    constexpr const char* kFunction = log_location<"read_descriptor">();
    for (;;) {
        if (fields.size() >= GestureDescriptor::kMaxFields) {
            xLogWrite(kTag, kLogWarning, kFunction,
                      "Device is returning too many descriptor fields, more than %d",
                      static_cast<int>(GestureDescriptor::kMaxFields));
            set_last_error(ErrorCode::InvalidDeviceData);
            return false;
        }
        int index = static_cast<int>(fields.size());
        xLogWrite(kTag, kLogDebug, kFunction, "Requesting gesture index %d", index);
        std::vector<Byte> answer;
        if (!send_expecting(*this, kReadDescriptor,
                            {static_cast<Byte>(index >> 8), static_cast<Byte>(index & 0xFF)},
                            CacheMode::Cached, 1, answer)) {
            return false;
        }
        std::size_t before = fields.size();
        Byte bad = 0;
        switch (GestureDescriptor::add_chunk(answer, fields, &bad)) {
        case GestureDescriptor::Chunk::Complete:
            return true;
        case GestureDescriptor::Chunk::Invalid:
            xLogWrite(kTag, kLogWarning, kFunction,
                      "incomplete field starts with 0x%02x, only 0x00 or 0x01 allowed to be "
                      "incomplete",
                      bad);
            set_last_error(ErrorCode::InvalidDeviceData);
            return false;
        case GestureDescriptor::Chunk::More:
            if (fields.size() == before) {
                // Asking again from the same count would bring the same chunk for ever.
                set_last_error(ErrorCode::InvalidDeviceData);
                return false;
            }
            break;
        }
    }
}

bool Feature6501Gestures::known_gesture(int gesture, std::vector<uint16_t>& fields) {
    if (!descriptor(fields)) {
        return false;
    }
    std::vector<int> ids = GestureDescriptor::gestures(fields);
    if (std::find(ids.begin(), ids.end(), gesture) == ids.end()) {
        set_last_error(ErrorCode::UnknownGesture);
        return false;
    }
    return true;
}

bool Feature6501Gestures::GetGestureInfo(int index, int* gesture, int* count) {
    std::vector<uint16_t> fields;
    if (!descriptor(fields)) {
        return false;
    }
    std::vector<int> ids = GestureDescriptor::gestures(fields);
    set_out(count, ids.size());
    if (index < 0 || index >= static_cast<int>(ids.size())) {
        set_last_error(ErrorCode::IndexOutOfRange);
        return false;
    }
    set_out(gesture, ids[static_cast<std::size_t>(index)]);
    return true;
}

bool Feature6501Gestures::read_flag(unsigned function, int gesture, bool* flag) {
    std::vector<uint16_t> fields;
    std::vector<Byte> response;
    if (!known_gesture(gesture, fields) ||
        !send_expecting(*this, function, {static_cast<Byte>(gesture)}, CacheMode::Uncached, 2,
                        response)) {
        return false;
    }
    set_out(flag, response[1] != 0);
    return true;
}

bool Feature6501Gestures::write_flag(const char* location, unsigned function, int gesture,
                                     bool flag) {
    std::vector<uint16_t> fields;
    if (!known_gesture(gesture, fields)) {
        return false;
    }
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, location, "set_configured failed");
        return false;
    }
    std::vector<Byte> response;
    return sendFeatureCommand(function, {static_cast<Byte>(gesture), static_cast<Byte>(flag)},
                              response, CacheMode::Uncached);
}

bool Feature6501Gestures::IsEnabled(int gesture, bool* enabled) {
    return read_flag(kIsEnabled, gesture, enabled);
}

bool Feature6501Gestures::EnableNow(int gesture, bool enable) {
    return write_flag(log_location<"EnableNow">(), kEnable, gesture, enable);
}

bool Feature6501Gestures::IsDiverted(int gesture, bool* diverted) {
    return read_flag(kIsDiverted, gesture, diverted);
}

bool Feature6501Gestures::DivertNow(int gesture, bool divert) {
    return write_flag(log_location<"DivertNow">(), kDivert, gesture, divert);
}

bool Feature6501Gestures::read_item(unsigned function, CacheMode cache_mode, Byte kind, int gesture,
                                    int item, int* value) {
    std::vector<uint16_t> fields;
    if (!known_gesture(gesture, fields)) {
        return false;
    }
    if (!GestureDescriptor::lists(fields, gesture, kind, item)) {
        set_last_error(ErrorCode::ItemNotSupported);
        return false;
    }
    std::vector<Byte> response;
    if (!send_expecting(*this, function, {static_cast<Byte>(gesture), static_cast<Byte>(item)},
                        cache_mode, 4, response)) {
        return false;
    }
    set_out(value, (response[2] << 8) | response[3]);
    return true;
}

bool Feature6501Gestures::GetSpec(int gesture, int spec, int* value) {
    return read_item(kGetSpec, CacheMode::Cached, GestureDescriptor::kSpec, gesture, spec, value);
}

bool Feature6501Gestures::ParamDefault(int gesture, int parameter, int* value) {
    return read_item(kParamDefault, CacheMode::Cached, GestureDescriptor::kParameter, gesture,
                     parameter, value);
}

bool Feature6501Gestures::GetParam(int gesture, int parameter, int* value) {
    return read_item(kGetParam, CacheMode::Uncached, GestureDescriptor::kParameter, gesture,
                     parameter, value);
}

bool Feature6501Gestures::SetParamNow(int gesture, int parameter, int value) {
    std::vector<uint16_t> fields;
    if (!known_gesture(gesture, fields)) {
        return false;
    }
    if (!GestureDescriptor::lists(fields, gesture, GestureDescriptor::kParameter, parameter)) {
        set_last_error(ErrorCode::ItemNotSupported);
        return false;
    }
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, log_location<"SetParamNow">(), "set_configured failed");
        set_last_error(ErrorCode::SetConfiguredFailed);
        return false;
    }
    std::vector<Byte> response;
    return sendFeatureCommand(kSetParam,
                              {static_cast<Byte>(gesture), static_cast<Byte>(parameter),
                               static_cast<Byte>(value >> 8), static_cast<Byte>(value & 0xFF)},
                              response, CacheMode::Uncached);
}

bool Feature6501Gestures::GetRawDescriptor(std::vector<uint16_t>* fields) {
    std::vector<uint16_t> read;
    if (!descriptor(read)) {
        return false;
    }
    if (fields != nullptr) {
        *fields = std::move(read);
    }
    return true;
}

bool Feature6501Gestures::SendReport(const std::vector<Byte>& data) {
    std::vector<Byte> response;
    return sendFeatureCommand(kSendReport, data, response, CacheMode::Uncached);
}

void Feature6501Gestures::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    Producer<IFeature6501Gestures::GestureReport>::produce(
        [function, parameters](IFeature6501Gestures::GestureReport* subscriber) {
            subscriber->onGestureReport(function, parameters);
        },
        "Feature6501Gestures::GestureReport::onGestureReport");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature6501Gestures, 6501)

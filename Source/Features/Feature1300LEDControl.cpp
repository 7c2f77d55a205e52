#include "Source/Features/Feature1300LEDControl.h"

#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetLEDCount = 0;
constexpr unsigned kGetLEDInfo = 1;
constexpr unsigned kHasSWControl = 2;
constexpr unsigned kSetSWControl = 3;
constexpr unsigned kGetLEDState = 4;
constexpr unsigned kSetLEDState = 5;
constexpr unsigned kGetNvConfig = 6;
constexpr unsigned kSetNvConfig = 7;

const char* type_name(int type) {
    static constexpr const char* kNames[] = {"Battery", "DPI", "Profile", "Logo", "Cosmetic"};
    return type >= 1 && type <= 5 ? kNames[type - 1] : "Unknown";
}

const char* nv_name(int value) {
    switch (value) {
    case 1:
        return "AlwaysOff";
    case 2:
        return "AlwaysOn";
    case 4:
        return "OnThenOff";
    default:
        return "None";
    }
}

void put_word(std::vector<Byte>& bytes, int value) {
    bytes.push_back(static_cast<Byte>((value >> 8) & 0xFF));
    bytes.push_back(static_cast<Byte>(value & 0xFF));
}

} // namespace

std::string Feature1300LEDControl::describe(const LEDInfo& info) {
    static constexpr const char* kCapabilities[] = {
        "Off ", "On ", "Blink ", "Traveling ", "RampUp ", "RampDown ", "HeartBeat ", "Breathing "};
    std::string capabilities;
    for (int bit = 0; bit < 8; ++bit) {
        if ((info.capabilities & (1 << bit)) != 0) {
            capabilities += kCapabilities[bit];
        }
    }
    return "LED[" + std::to_string(info.index) + "]: type=" + type_name(info.type) +
           " physicalLEDs=" + std::to_string(info.physical_count) + " capabilities=( " +
           capabilities + ") nvCapabilities=" + nv_name(info.nv_capabilities);
}

bool Feature1300LEDControl::check_index(const char* location, const char* operation, int index) {
    if (index >= 0) {
        return true;
    }
    xLogWrite(kTag, kLogDebug, location, "Feature1300LEDControl::%s has invalid index", operation);
    set_last_error(rap20_error(2));
    return false;
}

bool Feature1300LEDControl::exchange(const char* location, const char* operation, unsigned function,
                                     std::vector<Byte> parameters, std::size_t needed,
                                     std::vector<Byte>& response) {
    if (!sendFeatureCommand(function, parameters, response, CacheMode::Uncached)) {
        xLogWrite(kTag, kLogDebug, location, "Feature1300LEDControl::%s failed", operation);
        return false;
    }
    if (response.size() < needed) {
        xLogWrite(kTag, kLogDebug, location, "Feature1300LEDControl::%s response too short",
                  operation);
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    return true;
}

bool Feature1300LEDControl::GetLEDCount(int* count) {
    std::vector<Byte> response;
    if (!exchange(log_location<"GetLEDCount">(), "GetLEDCount", kGetLEDCount, {}, 1, response)) {
        return false;
    }
    set_out(count, response[0]);
    return true;
}

bool Feature1300LEDControl::GetLEDInfo(int index, LEDInfo* info) {
    constexpr const char* kFunction = log_location<"GetLEDInfo">();
    std::vector<Byte> response;
    if (!check_index(kFunction, "GetLEDInfo", index) ||
        !exchange(kFunction, "GetLEDInfo", kGetLEDInfo, {static_cast<Byte>(index)}, 6, response)) {
        return false;
    }
    LEDInfo read{response[0], response[1], response[2], (response[3] << 8) | response[4],
                 response[5]};
    xLogWrite(kTag, kLogDebug, kFunction, "%s", describe(read).c_str());
    if (info != nullptr) {
        *info = read;
    }
    return true;
}

bool Feature1300LEDControl::HasSWControl(int* flag) {
    std::vector<Byte> response;
    if (!exchange(log_location<"HasSWControl">(), "HasSWControl", kHasSWControl, {}, 1, response)) {
        return false;
    }
    set_out(flag, response[0]);
    return true;
}

bool Feature1300LEDControl::SetSWControl(int value) {
    std::vector<Byte> response;
    return exchange(log_location<"SetSWControl">(), "SetSWControl", kSetSWControl,
                    {static_cast<Byte>(value)}, 0, response);
}

bool Feature1300LEDControl::GetLEDState(int index, int* mode) {
    constexpr const char* kFunction = log_location<"GetLEDState">();
    std::vector<Byte> response;
    if (!check_index(kFunction, "GetLEDState", index) ||
        !exchange(kFunction, "GetLEDState", kGetLEDState, {static_cast<Byte>(index)}, 2,
                  response)) {
        return false;
    }
    set_out(mode, response[1]);
    return true;
}

bool Feature1300LEDControl::GetLEDStateAdditionalInfo(int index, int* mode, int* value,
                                                      bool* has_extra, int* extra) {
    constexpr const char* kFunction = log_location<"GetLEDStateAdditionalInfo">();
    std::vector<Byte> response;
    if (!check_index(kFunction, "GetLEDState", index) ||
        !exchange(kFunction, "GetLEDState", kGetLEDState, {static_cast<Byte>(index)}, 6,
                  response)) {
        return false;
    }
    bool extra_given = response[4] == 1;
    set_out(mode, response[1]);
    set_out(value, response[3]);
    set_out(has_extra, extra_given);
    set_out(extra, extra_given ? response[5] : 0);
    return true;
}

bool Feature1300LEDControl::SetLEDState(int index, int a, int b, int c, int d) {
    constexpr const char* kFunction = log_location<"SetLEDState">();
    if (!check_index(kFunction, "SetLEDState", index)) {
        return false;
    }
    std::vector<Byte> parameters{static_cast<Byte>(index)};
    for (int word : {a, b, c, d}) {
        put_word(parameters, word);
    }
    std::vector<Byte> response;
    return exchange(kFunction, "SetLEDState", kSetLEDState, std::move(parameters), 0, response);
}

bool Feature1300LEDControl::GetNvConfig(int index, int* value) {
    constexpr const char* kFunction = log_location<"GetNvConfig">();
    std::vector<Byte> response;
    if (!check_index(kFunction, "GetNvConfig", index) ||
        !exchange(kFunction, "GetNvConfig", kGetNvConfig, {static_cast<Byte>(index)}, 2,
                  response)) {
        return false;
    }
    set_out(value, response[1]);
    return true;
}

bool Feature1300LEDControl::SetNvConfig(int index, int value) {
    constexpr const char* kFunction = log_location<"SetNvConfig">();
    std::vector<Byte> response;
    return check_index(kFunction, "SetNvConfig", index) &&
           exchange(kFunction, "SetNvConfig", kSetNvConfig,
                    {static_cast<Byte>(index), static_cast<Byte>(value)}, 0, response);
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1300LEDControl, 1300)

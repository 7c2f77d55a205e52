#include "Source/Busses/RAP10Command.h"

#include <algorithm>

#include "Source/Contracts/IDevice.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "RAP10Command";

constexpr Byte kConnectionStateRegister = 0x02;
constexpr Byte kForcedArrival = 0x02;
constexpr Byte kDeviceNameRegister = 0xB5;
constexpr Byte kDeviceNameBase = 0x40;
// A name answer carries its length in byte 5 and the name from byte 6 on.
constexpr std::size_t kNameAnswerMinimum = 16;
constexpr std::size_t kNameLengthByte = 5;
constexpr std::size_t kNameFirstByte = 6;

rap::Report register_command(Byte sub_id, Byte reg, RAP10Command::Value parameters) {
    return {rap::kShortReportId, rap::kOwnDeviceIndex, sub_id,       reg,
            parameters[0],       parameters[1],        parameters[2]};
}

const char* outcome(bool ok) {
    return ok ? "success" : "fail";
}

} // namespace

bool RAP10Command::read_short_register(IDevice& receiver, Byte reg, rap::Report& answer) {
    return receiver.sendSynchronousCommand(register_command(kReadShortRegister, reg, {}), answer,
                                           CacheMode::Uncached, {});
}

bool RAP10Command::write_short_register(IDevice& receiver, Byte reg, Value value,
                                        rap::Report& answer) {
    return receiver.sendSynchronousCommand(register_command(kWriteShortRegister, reg, value),
                                           answer, CacheMode::Uncached, {});
}

bool RAP10Command::read_long_register(IDevice& receiver, Byte reg, Value parameters,
                                      rap::Report& answer, const rap::MatchPositions& positions) {
    return receiver.sendSynchronousCommand(register_command(kReadLongRegister, reg, parameters),
                                           answer, CacheMode::Uncached, positions);
}

bool RAP10Command::set_receiver_connection_state(IDevice* receiver, int /*state*/) {
    constexpr const char* kFunction = "devio::RAP10Command::set_receiver_connection_state";
    xLogWrite(kTag, kLogInfo, kFunction, "RAP10Command::set_receiver_connection_state enter");
    if (receiver == nullptr) {
        set_last_error(kNullDevice, 0,
                       "null device pointer passed to set_receiver_connection_state!");
        xLogWrite(kTag, kLogInfo, kFunction,
                  "RAP10Command::set_receiver_connection_state exit (false, null device pointer)");
        return false;
    }
    rap::Report answer;
    bool ok =
        write_short_register(*receiver, kConnectionStateRegister, {kForcedArrival, 0, 0}, answer);
    xLogWrite(kTag, kLogInfo, kFunction, "RAP10Command::set_receiver_connection_state exit (%s)",
              outcome(ok));
    return ok;
}

bool RAP10Command::read_receiver_connection_state(IDevice* receiver, int& count,
                                                  int& second_value) {
    constexpr const char* kFunction = "devio::RAP10Command::read_receiver_connection_state";
    xLogWrite(kTag, kLogInfo, kFunction, "RAP10Command::read_receiver_connection_state enter");
    if (receiver == nullptr) {
        set_last_error(kNullDevice, 0,
                       "null device pointer passed to read_receiver_connection_state!");
        xLogWrite(kTag, kLogInfo, kFunction,
                  "RAP10Command::read_receiver_connection_state exit (false, null device pointer)");
        return false;
    }
    rap::Report answer;
    bool ok = read_short_register(*receiver, kConnectionStateRegister, answer);
    if (ok) {
        count = rap::byte_at(answer, 5);
        second_value = rap::byte_at(answer, 6);
    }
    xLogWrite(kTag, kLogInfo, kFunction, "RAP10Command::read_receiver_connection_state exit (%s)",
              outcome(ok));
    return ok;
}

bool RAP10Command::read_receiver_paired_device_name(IDevice* receiver, int slot,
                                                    std::string& name) {
    constexpr const char* kFunction = "devio::RAP10Command::read_receiver_paired_device_name";
    xLogWrite(kTag, kLogInfo, kFunction, "RAP10Command::read_receiver_paired_device_name enter");
    if (receiver == nullptr) {
        set_last_error(kNullDevice, 0,
                       "null device pointer passed to read_receiver_paired_device_name!");
        xLogWrite(kTag, kLogInfo, kFunction,
                  "RAP10Command::read_receiver_paired_device_name exit (false, null device "
                  "pointer)");
        return false;
    }
    rap::Report answer;
    bool ok = read_long_register(*receiver, kDeviceNameRegister,
                                 {static_cast<Byte>(kDeviceNameBase + slot), 0, 0}, answer, {0});
    if (ok && answer.size() < kNameAnswerMinimum) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        ok = false;
    }
    if (ok) {
        std::size_t length =
            std::min<std::size_t>(answer[kNameLengthByte], answer.size() - kNameFirstByte);
        name.assign(answer.begin() + kNameFirstByte,
                    answer.begin() + static_cast<std::ptrdiff_t>(kNameFirstByte + length));
    }
    xLogWrite(kTag, kLogInfo, kFunction, "RAP10Command::read_receiver_paired_device_name exit (%s)",
              outcome(ok));
    return ok;
}

} // namespace devio

// RAP report bytes as the virtual devices see them: report ids and lengths, the header fields,
// error codes and builders for answers, errors and notifications.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace devio::sim {

using Byte = uint8_t;
using Report = std::vector<Byte>;

namespace rap {

inline constexpr Byte kShortReportId = 0x10;
inline constexpr Byte kLongReportId = 0x11;
inline constexpr std::size_t kShortReportLength = 7;
inline constexpr std::size_t kLongReportLength = 20;
inline constexpr std::size_t kHeaderLength = 4;
inline constexpr std::size_t kLongParameterCount = kLongReportLength - kHeaderLength;

// Device index of the receiver itself (a device answering for itself also uses it).
inline constexpr Byte kOwnIndex = 0xFF;

// RAP 1.0 sub-ids (byte 2).
inline constexpr Byte kDeviceUnpaired = 0x40;
inline constexpr Byte kDeviceConnection = 0x41;
inline constexpr Byte kLockState = 0x4A;
inline constexpr Byte kWriteShortRegister = 0x80;
inline constexpr Byte kReadShortRegister = 0x81;
inline constexpr Byte kWriteLongRegister = 0x82;
inline constexpr Byte kReadLongRegister = 0x83;
inline constexpr Byte kRap10Error = 0x8F;
// RAP 2.0 error answers carry this in byte 2.
inline constexpr Byte kRap20Error = 0xFF;

// Bit 6 of byte 4 of a connection notification: the radio link is not established.
inline constexpr Byte kLinkNotEstablished = 0x40;

// Error codes of RAP 1.0 error answers (byte 5).
enum class Rap10Error : Byte {
    InvalidSubId = 0x01,
    InvalidAddress = 0x02,
    InvalidValue = 0x03,
    Busy = 0x07,
    UnknownDevice = 0x08,
    DeviceUnreachable = 0x09,
};

// Error codes of RAP 2.0 error answers (byte 5).
enum class Rap20Error : Byte {
    Unknown = 0x01,
    InvalidArgument = 0x02,
    OutOfRange = 0x03,
    HardwareError = 0x04,
    NotAllowed = 0x05,
    InvalidFeatureIndex = 0x06,
    InvalidFunction = 0x07,
    Busy = 0x08,
};

// A short report: id 0x10, bytes 1 to 3, then the parameters, cut or zero-padded to 7 bytes.
Report short_report(Byte index, Byte byte2, Byte byte3, std::initializer_list<Byte> params = {});
// A long report: id 0x11, bytes 1 to 3, then the parameters, cut or zero-padded to 20 bytes.
Report long_report(Byte index, Byte byte2, Byte byte3, const std::vector<Byte>& params);

// RAP 1.0 error answer to a request whose bytes 1 to 3 were index, sub-id and address.
Report rap10_error(Byte index, Byte sub_id, Byte address, Rap10Error code);
// RAP 2.0 error answer to a request whose bytes 1 to 3 were index, feature index and function byte.
Report rap20_error(Byte index, Byte feature_index, Byte function_byte, Rap20Error code);

// Byte 3 of a RAP 2.0 report: function number in the high nibble, software id in the low one.
constexpr Byte function_byte(Byte function, Byte software_id) {
    return static_cast<Byte>(((function & 0x0F) << 4) | (software_id & 0x0F));
}

} // namespace rap
} // namespace devio::sim

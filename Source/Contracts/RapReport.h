// The byte layout of RAP reports, both generations: report ids and lengths, the common header,
// error responses and how their codes map to ErrorCode, and the matching of a response to the
// command it answers. Every accessor treats a byte beyond the end of a report as 0, so that no
// report, whatever its length, is read past its end.
#pragma once

#include <cstddef>
#include <vector>

#include "Source/Byte.h"
#include "Source/Log/ErrorCode.h"

namespace devio::rap {

using Report = std::vector<Byte>;
// Parameter positions (counted from byte 4) whose bytes a response must repeat.
using MatchPositions = std::vector<std::size_t>;

inline constexpr Byte kShortReportId = 0x10;
inline constexpr Byte kLongReportId = 0x11;
inline constexpr std::size_t kShortReportLength = 7;
inline constexpr std::size_t kLongReportLength = 20;
inline constexpr std::size_t kHeaderLength = 4;

// Byte 1: 0xFF addresses the device itself; a receiver answering for itself uses 0x00.
inline constexpr Byte kOwnDeviceIndex = 0xFF;
inline constexpr Byte kReceiverDeviceIndex = 0x00;

// Byte 2 of RAP 1.0 register access commands starts here; such commands are never cached.
inline constexpr Byte kFirstRegisterSubId = 0x80;
// Byte 2 of error responses.
inline constexpr Byte kRap10ErrorSubId = 0x8F;
inline constexpr Byte kRap20ErrorFeatureIndex = 0xFF;

inline constexpr Byte kRootFeatureIndex = 0x00;
// Root function 1, GetProtocolVersion: the ping.
inline constexpr Byte kGetProtocolVersionFunction = 1;

inline constexpr Byte kSoftwareIdMask = 0x0F;

// The byte at `index`, or 0 beyond the end.
constexpr Byte byte_at(const Report& report, std::size_t index) {
    return index < report.size() ? report[index] : Byte{0};
}
// Parameter byte `position` (byte 4 + position), or 0 beyond the end.
constexpr Byte parameter_at(const Report& report, std::size_t position) {
    return position < report.size() && report.size() - position > kHeaderLength
               ? report[kHeaderLength + position]
               : Byte{0};
}

// RAP 2.0 byte 3: function number in the high nibble, software id in the low one.
constexpr Byte function_byte(unsigned function, unsigned software_id) {
    return static_cast<Byte>(((function & 0x0F) << 4) | (software_id & kSoftwareIdMask));
}
constexpr unsigned function_of(Byte byte3) {
    return byte3 >> 4;
}
constexpr unsigned software_id_of(Byte byte3) {
    return byte3 & kSoftwareIdMask;
}

// 0x10 for reports of at most 7 bytes, 0x11 for longer ones.
constexpr Byte report_id_for_length(std::size_t length) {
    return length <= kShortReportLength ? kShortReportId : kLongReportId;
}

// [report id, device index, byte 2, byte 3, parameters...], not padded: the transport pads.
Report make_report(Byte device_index, Byte byte2, Byte byte3, const std::vector<Byte>& parameters);
// A RAP 2.0 request to the device itself: feature index, function and software id.
Report make_feature_command(Byte feature_index, unsigned function, unsigned software_id,
                            const std::vector<Byte>& parameters);
// A copy of `report` whose software-id nibble (low nibble of byte 3) is `software_id`; reports of
// fewer than 4 bytes come back unchanged.
Report with_software_id(Report report, unsigned software_id);
// Parameters: bytes 4 to the end (empty for shorter reports).
std::vector<Byte> parameters_of(const Report& report);

// The receiver's connection and status notifications (byte 2).
constexpr bool is_rap10_notification(Byte sub_id) {
    return sub_id == 0x40 || sub_id == 0x41 || sub_id == 0x49 || sub_id == 0x4B;
}

// A response of at least 4 bytes whose byte 2 marks an error of either generation.
bool is_error_response(const Report& response);
// The ErrorCode of an error response: byte 5 mapped by its generation's offset. The raw code
// (byte 5) is the error's detail value.
ErrorCode error_code_of(const Report& response);

// Whether `report` is a RAP 1.0 error answer to `command`: byte 2 is 0x8F and bytes 1, 3, 4
// repeat the command's bytes 1, 2, 3; a receiver may answer a command to 0xFF with index 0x00.
bool is_rap10_error_for(const Report& report, const Report& command);
// Whether `report` is a RAP 2.0 error answer to `command`: byte 2 is 0xFF and bytes 1, 3, 4
// repeat the command's bytes 1, 2, 3.
bool is_rap20_error_for(const Report& report, const Report& command);
// Bytes 1 to 3 equal; an empty report or command never matches.
bool header_matches(const Report& report, const Report& command);
// For every position p, parameter byte p of report and command is equal.
bool payload_matches(const Report& report, const Report& command, const MatchPositions& positions);

} // namespace devio::rap

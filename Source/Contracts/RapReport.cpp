#include "Source/Contracts/RapReport.h"

namespace devio::rap {

Report make_report(Byte device_index, Byte byte2, Byte byte3, const std::vector<Byte>& parameters) {
    Report report;
    report.reserve(kHeaderLength + parameters.size());
    report.push_back(report_id_for_length(kHeaderLength + parameters.size()));
    report.push_back(device_index);
    report.push_back(byte2);
    report.push_back(byte3);
    report.insert(report.end(), parameters.begin(), parameters.end());
    return report;
}

Report make_feature_command(Byte feature_index, unsigned function, unsigned software_id,
                            const std::vector<Byte>& parameters) {
    return make_report(kOwnDeviceIndex, feature_index, function_byte(function, software_id),
                       parameters);
}

Report with_software_id(Report report, unsigned software_id) {
    if (report.size() >= kHeaderLength) {
        report[3] =
            static_cast<Byte>((report[3] & ~kSoftwareIdMask) | (software_id & kSoftwareIdMask));
    }
    return report;
}

std::vector<Byte> parameters_of(const Report& report) {
    if (report.size() <= kHeaderLength) {
        return {};
    }
    return std::vector<Byte>(report.begin() + kHeaderLength, report.end());
}

bool is_error_response(const Report& response) {
    return response.size() >= kHeaderLength &&
           (response[2] == kRap10ErrorSubId || response[2] == kRap20ErrorFeatureIndex);
}

ErrorCode error_code_of(const Report& response) {
    Byte code = byte_at(response, 5);
    return byte_at(response, 2) == kRap10ErrorSubId ? rap10_error(code) : rap20_error(code);
}

namespace {

// Bytes 3 and 4 of an error answer repeat bytes 2 and 3 of the failed request.
bool repeats_request(const Report& report, const Report& command) {
    return byte_at(report, 3) == byte_at(command, 2) && byte_at(report, 4) == byte_at(command, 3);
}

} // namespace

bool is_rap10_error_for(const Report& report, const Report& command) {
    if (report.empty() || command.empty() || byte_at(report, 2) != kRap10ErrorSubId ||
        !repeats_request(report, command)) {
        return false;
    }
    Byte index = byte_at(report, 1);
    return index == byte_at(command, 1) ||
           (index == kReceiverDeviceIndex && byte_at(command, 1) == kOwnDeviceIndex);
}

bool is_rap20_error_for(const Report& report, const Report& command) {
    return !report.empty() && !command.empty() && byte_at(report, 2) == kRap20ErrorFeatureIndex &&
           byte_at(report, 1) == byte_at(command, 1) && repeats_request(report, command);
}

bool header_matches(const Report& report, const Report& command) {
    if (report.empty() || command.empty()) {
        return false;
    }
    for (std::size_t i = 1; i < kHeaderLength; ++i) {
        if (byte_at(report, i) != byte_at(command, i)) {
            return false;
        }
    }
    return true;
}

bool payload_matches(const Report& report, const Report& command, const MatchPositions& positions) {
    for (std::size_t position : positions) {
        if (parameter_at(report, position) != parameter_at(command, position)) {
            return false;
        }
    }
    return true;
}

} // namespace devio::rap

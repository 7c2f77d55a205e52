#include "sim/RapReport.h"

#include <algorithm>

namespace devio::sim::rap {

namespace {

Report make_report(std::size_t length, Byte id, Byte index, Byte byte2, Byte byte3,
                   const Byte* params, std::size_t count) {
    Report report(length, 0);
    report[0] = id;
    report[1] = index;
    report[2] = byte2;
    report[3] = byte3;
    std::copy_n(params, std::min(count, length - kHeaderLength), report.begin() + kHeaderLength);
    return report;
}

} // namespace

Report short_report(Byte index, Byte byte2, Byte byte3, std::initializer_list<Byte> params) {
    return make_report(kShortReportLength, kShortReportId, index, byte2, byte3, params.begin(),
                       params.size());
}

Report long_report(Byte index, Byte byte2, Byte byte3, const std::vector<Byte>& params) {
    return make_report(kLongReportLength, kLongReportId, index, byte2, byte3, params.data(),
                       params.size());
}

Report rap10_error(Byte index, Byte sub_id, Byte address, Rap10Error code) {
    return short_report(index, kRap10Error, sub_id, {address, static_cast<Byte>(code)});
}

Report rap20_error(Byte index, Byte feature_index, Byte function_byte, Rap20Error code) {
    return short_report(index, kRap20Error, feature_index,
                        {function_byte, static_cast<Byte>(code)});
}

} // namespace devio::sim::rap

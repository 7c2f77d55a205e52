// The two HID collections of a receiver, both on the vendor usage page 0xFF00 under one parent:
// usage 1 carries the short reports, usage 2 the long ones.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/RapReport.h"

namespace devio::sim {

enum class Collection { Short, Long };

struct CollectionInfo {
    Collection collection;
    uint16_t usage_page;
    uint16_t usage;
    Byte report_id;
    // Input and output reports have the same length, report id included.
    std::size_t report_length;
};

inline constexpr uint16_t kVendorUsagePage = 0xFF00;

constexpr CollectionInfo collection_info(Collection collection) {
    return collection == Collection::Short
               ? CollectionInfo{Collection::Short, kVendorUsagePage, 1, rap::kShortReportId,
                                rap::kShortReportLength}
               : CollectionInfo{Collection::Long, kVendorUsagePage, 2, rap::kLongReportId,
                                rap::kLongReportLength};
}

} // namespace devio::sim

// When a log message was logged, stamped as the logging call begins.
#pragma once

#include <cstdint>

namespace devio {

struct LogTimes {
    // Microseconds of the performance counter.
    uint64_t performance_us = 0;
    // Microseconds since 1970-01-01 UTC.
    uint64_t wall_us = 0;

    static LogTimes now();
};

} // namespace devio

// The process's source of pseudo-random numbers (ping bytes and delays, the software id chosen
// at start). Any thread may draw from it; the draws of different threads are serialised, so that
// none sees a torn generator state.
#pragma once

namespace devio::sys {

class Random {
public:
    // Restarts the sequence from `value`.
    static void seed(unsigned value);
    // A number from `low` to `high`, both included; `low` when `high` < `low`.
    static int between(int low, int high);
};

} // namespace devio::sys

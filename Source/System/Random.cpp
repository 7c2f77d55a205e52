#include "Source/System/Random.h"

#include <mutex>
#include <random>

namespace devio::sys {

namespace {

struct Generator {
    std::mutex mutex;
    std::minstd_rand engine; // guarded by mutex
};

Generator& generator() {
    static Generator instance;
    return instance;
}

} // namespace

void Random::seed(unsigned value) {
    Generator& g = generator();
    std::lock_guard<std::mutex> lock(g.mutex);
    g.engine.seed(value);
}

int Random::between(int low, int high) {
    if (high <= low) {
        return low;
    }
    Generator& g = generator();
    std::uniform_int_distribution<int> distribution(low, high);
    std::lock_guard<std::mutex> lock(g.mutex);
    return distribution(g.engine);
}

} // namespace devio::sys

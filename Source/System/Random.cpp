#include "Source/System/Random.h"

#include <random>

#include "Source/System/ThreadAnnotations.h"

namespace devio::sys {

namespace {

struct Generator {
    Mutex mutex;
    std::minstd_rand engine DEVIO_GUARDED_BY(mutex);
};

Generator& generator() {
    static Generator instance;
    return instance;
}

} // namespace

void Random::seed(unsigned value) {
    Generator& g = generator();
    MutexLock lock(g.mutex);
    g.engine.seed(value);
}

int Random::between(int low, int high) {
    if (high <= low) {
        return low;
    }
    Generator& g = generator();
    std::uniform_int_distribution<int> distribution(low, high);
    MutexLock lock(g.mutex);
    return distribution(g.engine);
}

} // namespace devio::sys

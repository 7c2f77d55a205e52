// Waiting on a condition in tests: polls until it holds or a real-time bound passes, so that a test
// never sleeps and hopes. The bound only ends a test that would otherwise hang.
#pragma once

#include <chrono>
#include <thread>

namespace devio::test {

template <class Condition>
bool wait_for(Condition condition, std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace devio::test

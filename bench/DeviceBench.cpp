// The RAP device's costs: classifying one report on the read thread (an event for a feature,
// another program's response), one command exchange with a device that answers at once from its
// own read thread (named mutex, write, hand-over to the read thread, wake-up), and a command
// served by the response cache. The exchange is set against a bare hand-over of one report to a
// thread and back, measured in the same run (ratio counter).
//
// The diagnostic log is off, so that the figures are the device's own: the classification logs
// one or two VERBOSE lines per report, which the default configuration writes to the log file.
// DEVIO_BENCH_LOG=1 keeps the user's log configuration.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "support/DeviceHarness.h"
#include "support/PrivateLogConfiguration.h"

namespace devio::test {
namespace {

__attribute__((constructor(101))) void switch_the_log_off() {
    if (std::getenv("DEVIO_BENCH_LOG") == nullptr) {
        use_private_log_configuration([](sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "logging", 0);
        });
    }
}

constexpr Byte kFeatureIndex = 0x05;
// Nanoseconds per bare hand-over to a thread and back, for the exchange's ratio.
double g_handover_ns = 0;

double ns_per_iteration(std::chrono::steady_clock::time_point start, int64_t iterations) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::nano>(elapsed).count() /
           static_cast<double>(iterations);
}

void BM_ClassifyFeatureEvent(benchmark::State& state) {
    DeviceHarness h;
    h.make_feature_based();
    h.add_feature(0x1D4B, kFeatureIndex);
    const rap::Report event{0x10, 0xFF, kFeatureIndex, 0x00, 0x01, 0x02, 0x03};
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.device->onReadHandler(event, false));
    }
}
BENCHMARK(BM_ClassifyFeatureEvent);

void BM_ClassifyOtherProgramsResponse(benchmark::State& state) {
    DeviceHarness h;
    h.make_feature_based();
    h.add_feature(0x1D4B, kFeatureIndex);
    const rap::Report response{0x11, 0xFF, kFeatureIndex, 0x13, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                               0x07, 0x08, 0x09,          0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.device->onReadHandler(response, false));
    }
}
BENCHMARK(BM_ClassifyOtherProgramsResponse);

// One report to another thread and its answer back, through a mutex and a condition variable:
// the least an exchange with a read thread costs.
void BM_ThreadHandover(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable changed;
    int sent = 0;
    int answered = 0;
    bool stop = false;
    std::thread reader([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || sent > answered; });
            if (stop) {
                return;
            }
            answered = sent;
            changed.notify_all();
        }
    });
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(mutex);
        ++sent;
        changed.notify_all();
        changed.wait(lock, [&] { return answered == sent; });
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    changed.notify_all();
    reader.join();
    g_handover_ns = ns_per_iteration(start, state.iterations());
}
BENCHMARK(BM_ThreadHandover)->UseRealTime();

void BM_CommandExchange(benchmark::State& state) {
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->answer(kFeatureIndex, 1, {FakeHardwareDevice::Answer::with({0x01})});
    const rap::Report command{0x10, 0xFF, kFeatureIndex, 0x1C, 0x01};
    rap::Report response;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!h.device->sendSynchronousCommandWithoutRetry(command, response, {})) {
            state.SkipWithError("no answer");
            return;
        }
    }
    if (g_handover_ns > 0) {
        state.counters["vs_handover"] = ns_per_iteration(start, state.iterations()) / g_handover_ns;
    }
}
BENCHMARK(BM_CommandExchange)->UseRealTime();

void BM_CachedCommand(benchmark::State& state) {
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->answer(kFeatureIndex, 1, {FakeHardwareDevice::Answer::with({0x01})});
    const rap::Report command{0x10, 0xFF, kFeatureIndex, 0x1C, 0x01};
    rap::Report response;
    // The first exchange fills the cache that the loop measures.
    if (!h.device->sendSynchronousCommand(command, response, CacheMode::Cached, {})) {
        state.SkipWithError("the first exchange failed");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            h.device->sendSynchronousCommand(command, response, CacheMode::Cached, {}));
    }
}
BENCHMARK(BM_CachedCommand);

} // namespace
} // namespace devio::test

BENCHMARK_MAIN();

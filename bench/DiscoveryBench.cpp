// Feature discovery's costs: finding all features of a device that answers at once from its own
// read thread (about twenty exchanges), against the same after a restart with the device's cache
// file (read from disk, then one firmware check of two exchanges), measured in the same run (ratio
// counter); and writing and reading the cache file's text itself for a small and a large cache.
//
// The diagnostic log is off, so that the figures are discovery's own. DEVIO_BENCH_LOG=1 keeps the
// user's log configuration.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "Source/Rap/FeatureCacheFile.h"
#include "support/PrivateLogConfiguration.h"
#include "support/Rap20Harness.h"
#include "support/TempDir.h"

namespace devio::test {
namespace {

__attribute__((constructor(101))) void switch_the_log_off() {
    if (std::getenv("DEVIO_BENCH_LOG") == nullptr) {
        use_private_log_configuration([](sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "logging", 0);
        });
    }
}

// Nanoseconds of one discovery from the device, for the cached discovery's ratio.
double g_from_device_ns = 0;

// One discovery per iteration on a fresh device; only features() (and the file read) counts.
// Returns the nanoseconds of one discovery.
double discover(benchmark::State& state, const std::string& directory) {
    std::chrono::steady_clock::duration timed{};
    for (auto _ : state) {
        state.PauseTiming();
        {
            Rap20Harness h;
            state.ResumeTiming();
            auto start = std::chrono::steady_clock::now();
            if (!directory.empty()) {
                h.device->persistent_data_directory(directory);
            }
            benchmark::DoNotOptimize(h.device->features());
            timed += std::chrono::steady_clock::now() - start;
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    return std::chrono::duration<double, std::nano>(timed).count() /
           static_cast<double>(state.iterations());
}

void BM_DiscoverFromTheDevice(benchmark::State& state) {
    g_from_device_ns = discover(state, "");
}
BENCHMARK(BM_DiscoverFromTheDevice)->UseRealTime();

void BM_DiscoverWithTheCacheFile(benchmark::State& state) {
    TempDir dir;
    std::string directory = dir.path() + "/";
    {
        Rap20Harness h;
        h.device->persistent_data_directory(directory);
        h.device->features();
    }
    double ns = discover(state, directory);
    if (g_from_device_ns > 0) {
        state.counters["vs_device"] = ns / g_from_device_ns;
    }
}
BENCHMARK(BM_DiscoverWithTheCacheFile)->UseRealTime();

FeatureCacheFile::Contents cache_of(int entries) {
    FeatureCacheFile::Contents contents{"0QRT080600274D2", "sim:/hid/receiver-b401:1", {}};
    for (int i = 0; i < entries; ++i) {
        rap::Report command{
            0x11, 0xFF, static_cast<Byte>(i >> 4), static_cast<Byte>(i << 4 | 0xA), 0x01, 0x02,
            0x03, 0x04};
        contents.entries.emplace(command, rap::Report(20, static_cast<Byte>(i)));
    }
    return contents;
}

void BM_RenderCacheFile(benchmark::State& state) {
    FeatureCacheFile::Contents contents = cache_of(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(FeatureCacheFile::render(contents));
    }
}
BENCHMARK(BM_RenderCacheFile)->Arg(11)->Arg(256);

void BM_ParseCacheFile(benchmark::State& state) {
    std::string text = FeatureCacheFile::render(cache_of(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(FeatureCacheFile::parse(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseCacheFile)->Arg(11)->Arg(256);

} // namespace
} // namespace devio::test

BENCHMARK_MAIN();

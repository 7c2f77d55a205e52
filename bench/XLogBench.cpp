// The cost on the caller's thread of one file-only xLogWrite call, measured side by side with an
// asynchronous file logger writing an equally long line, as the median over many calls on 1, 2
// and 4 threads. Each round stays below the log buffer's growth threshold and both loggers drain
// between rounds, so that neither measures lost or blocked calls. Then, on one thread, where the
// time of an xLogWrite call goes: its time stamp, its formatting, and the rest (the ring's
// reservation, the copy into it and the bookkeeping), each the median of the same batches.
//
// Usage: bench_xlog [rounds]   (default 20)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/Log/XLogCore.h"
#include "Source/Log/XLogText.h"
#include "Source/Log/xLog.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCallsPerRound = 8000;
// Calls timed together: one clock reading costs about as much as a short call.
constexpr int kBatch = 8;
const char* const kPayload = "payload text that makes this line as long as a typical entry line";

// Runs `calls` log calls split over `threads` threads; returns the nanoseconds per call of every
// batch of kBatch calls.
template <class Log>
std::vector<double> timed_round(int threads, Log log) {
    std::vector<std::vector<double>> per_thread(static_cast<size_t>(threads));
    std::atomic<int> ready{0};
    std::vector<std::thread> workers;
    const int calls = kCallsPerRound / threads;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            std::vector<double>& samples = per_thread[static_cast<size_t>(t)];
            samples.reserve(static_cast<size_t>(calls / kBatch));
            ready.fetch_add(1);
            while (ready.load() < threads) {
            }
            for (int i = 0; i + kBatch <= calls; i += kBatch) {
                auto start = Clock::now();
                for (int j = 0; j < kBatch; ++j) {
                    log(i + j);
                }
                auto elapsed = std::chrono::duration<double, std::nano>(Clock::now() - start);
                samples.push_back(elapsed.count() / kBatch);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::vector<double> all;
    for (const auto& samples : per_thread) {
        all.insert(all.end(), samples.begin(), samples.end());
    }
    return all;
}

double median(std::vector<double> samples) {
    std::nth_element(samples.begin(), samples.begin() + static_cast<long>(samples.size() / 2),
                     samples.end());
    return samples[samples.size() / 2];
}

// Median nanoseconds per call of `call` on this thread, in batches as above.
template <class Call>
double median_on_this_thread(int rounds, Call call) {
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        auto batches = timed_round(1, call);
        samples.insert(samples.end(), batches.begin(), batches.end());
    }
    return median(samples);
}

void wait_until(const std::function<bool()>& done) {
    while (!done()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    // Both loggers write below a folder of their own; the diagnostic log keeps its defaults
    // (an INFO line of an untagged-off tag goes to the file only).
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("devio-bench-" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(folder + "/config");
    setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    setenv("TMPDIR", folder.c_str(), 1);

    devio::Vs2003SingletonThreadCleanup::instance().set_present();
    devio::XLogCore& xlog = devio::XLogCore::process();
    spdlog::init_thread_pool(32768, 1);
    auto async_file = spdlog::basic_logger_mt<spdlog::async_factory>("bench", folder + "/spd.log");
    async_file->set_pattern("%Y/%m/%d %H:%M:%S.%e\t%P\t<%t>\t%l\t%n\t%v");
    auto pool = spdlog::thread_pool();

    std::printf("median ns per call on the caller's thread (%d rounds of %d calls)\n", rounds,
                kCallsPerRound);
    std::printf("%8s %12s %12s %8s\n", "threads", "xLogWrite", "spdlog", "ratio");
    uint64_t lost = 0;
    for (int threads : {1, 2, 4}) {
        std::vector<double> xlog_samples, spdlog_samples;
        for (int round = 0; round < rounds; ++round) {
            auto x = timed_round(threads, [&](int i) {
                if (!devio::xLogWrite("Bench", devio::kLogInfo, "devio::Bench::run",
                                      "message %d %s", i, kPayload)) {
                    ++lost;
                }
            });
            xlog_samples.insert(xlog_samples.end(), x.begin(), x.end());
            wait_until([&] { return xlog.buffers().pending() == 0; });

            auto s = timed_round(threads,
                                 [&](int i) { async_file->info("message {} {}", i, kPayload); });
            spdlog_samples.insert(spdlog_samples.end(), s.begin(), s.end());
            wait_until([&] { return pool->queue_size() == 0; });
        }
        const double x = median(xlog_samples);
        const double s = median(spdlog_samples);
        std::printf("%8d %12.1f %12.1f %8.2f\n", threads, x, s, x / s);
    }
    // The parts of one call. The whole is measured again here, so that the parts add up against
    // a figure of the same moment.
    char text[devio::xlog::kFormatBufferSize];
    std::atomic<uint64_t> sink{0};
    const double stamp = median_on_this_thread(
        rounds, [&](int) { sink += devio::LogTimes::now().performance_us; });
    const double format = median_on_this_thread(rounds, [&](int i) {
        sink += devio::xlog::format_bounded(text, sizeof(text), "message %d %s", i, kPayload);
    });
    double whole = 0;
    {
        std::vector<double> samples;
        for (int round = 0; round < rounds; ++round) {
            auto x = timed_round(1, [&](int i) {
                devio::xLogWrite("Bench", devio::kLogInfo, "devio::Bench::run", "message %d %s", i,
                                 kPayload);
            });
            samples.insert(samples.end(), x.begin(), x.end());
            wait_until([&] { return xlog.buffers().pending() == 0; });
        }
        whole = median(samples);
    }
    std::printf("one thread, ns per call: whole %.1f = time stamp %.1f + formatting %.1f + ring "
                "and bookkeeping %.1f\n",
                whole, stamp, format, whole - stamp - format);
    std::printf("xLogWrite calls lost to a full buffer: %llu\n",
                static_cast<unsigned long long>(lost));
    spdlog::shutdown();
    devio::Vs2003SingletonThreadCleanup::instance().run_callbacks(); // the log's shutdown
    std::filesystem::remove_all(folder);
    return 0;
}

// The event model's cost per event, against the two plain ways of calling a handler: a virtual
// call through an interface pointer and a std::function call. Direct delivery is one production
// to one subscriber on the producing thread; run-loop delivery is one production queued for one
// run-loop subscriber, its announcement to the application and its delivery by
// call_event_from_runloop. The ratio counters relate each to the virtual call measured in the
// same run.
//
// The diagnostic log is off, so that the figures are the event model's own: every delivery logs
// a VERBOSE line, which the default configuration writes to the log file (about 0.5 us and 140
// bytes of file per event). DEVIO_BENCH_LOG=1 keeps the user's log configuration.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"
#include "Source/Manager/CDevio.h"
#include "support/PrivateLogConfiguration.h"

namespace devio {
namespace {

__attribute__((constructor(101))) void switch_the_log_off() {
    if (std::getenv("DEVIO_BENCH_LOG") == nullptr) {
        test::use_private_log_configuration([](sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "logging", 0);
        });
    }
}

class IPinger {
public:
    class Ping {
    public:
        virtual void onPing(int /*n*/) {}
        virtual ~Ping() = default;
    };
    virtual ~IPinger() = default;
};

class Pinger : public IPinger, public Producer<IPinger::Ping> {
public:
    void ping(int n) {
        produce([n](Ping* subscriber) { subscriber->onPing(n); }, "Pinger::Ping::onPing");
    }
};

class Counter : public Subscriber<IPinger::Ping> {
public:
    int64_t sum = 0;

private:
    void onPing(int n) override { sum += n; }
};

// The application's side: every announcement is answered with one delivery right away.
class Application : public Subscriber<IDeviceManager::RunLoopEvent> {
public:
    int64_t announcements = 0;

private:
    void onRunLoopEvent() override { ++announcements; }
};

// Nanoseconds per iteration of the plain virtual call, for the ratios.
double g_virtual_ns = 0;

double ns_per_iteration(std::chrono::steady_clock::time_point start, int64_t iterations) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::nano>(elapsed).count() /
           static_cast<double>(iterations);
}

void set_ratio(benchmark::State& state, double ns) {
    if (g_virtual_ns > 0) {
        state.counters["vs_virtual"] = ns / g_virtual_ns;
    }
}

void BM_VirtualCall(benchmark::State& state) {
    Counter counter;
    IPinger::Ping* handler = &counter;
    benchmark::DoNotOptimize(handler);
    int n = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        handler->onPing(++n);
        benchmark::ClobberMemory();
    }
    g_virtual_ns = ns_per_iteration(start, state.iterations());
    benchmark::DoNotOptimize(counter.sum);
}
BENCHMARK(BM_VirtualCall);

void BM_StdFunctionCall(benchmark::State& state) {
    Counter counter;
    IPinger::Ping* handler = &counter;
    std::function<void(int)> call = [handler](int n) { handler->onPing(n); };
    benchmark::DoNotOptimize(call);
    int n = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        call(++n);
        benchmark::ClobberMemory();
    }
    set_ratio(state, ns_per_iteration(start, state.iterations()));
    benchmark::DoNotOptimize(counter.sum);
}
BENCHMARK(BM_StdFunctionCall);

void BM_DirectProduction(benchmark::State& state) {
    auto pinger = std::make_shared<Pinger>();
    Counter counter;
    counter.subscribe(pinger, DeliverDirect, "Counter::Ping");
    int n = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        pinger->ping(++n);
    }
    set_ratio(state, ns_per_iteration(start, state.iterations()));
    benchmark::DoNotOptimize(counter.sum);
}
BENCHMARK(BM_DirectProduction);

void BM_RunLoopProductionAndDelivery(benchmark::State& state) {
    CDevio& devio = CDevio::instance();
    auto pinger = std::make_shared<Pinger>();
    {
        Application application;
        application.subscribe(std::shared_ptr<IDeviceManager>(devio), DeliverDirect,
                              "Application::RunLoopEvent");
        Counter counter;
        counter.subscribe(pinger, DeliverViaRunLoop, "Counter::Ping");
        int n = 0;
        const auto start = std::chrono::steady_clock::now();
        for (auto _ : state) {
            pinger->ping(++n);
            devio.call_event_from_runloop();
        }
        set_ratio(state, ns_per_iteration(start, state.iterations()));
        if (counter.sum != static_cast<int64_t>(n) * (n + 1) / 2) {
            state.SkipWithError("events were lost");
        }
    }
    devio.reset();
}
BENCHMARK(BM_RunLoopProductionAndDelivery);

} // namespace
} // namespace devio

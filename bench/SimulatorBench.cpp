// The simulator's own cost: a host exchange and a whole firmware image through the virtual
// receiver and mouse, with the clock scaled so far down that the designed delays vanish and only
// the simulator's work (scheduling, hand-overs between threads, copying) remains. The
// designed_seconds counter is what the same transfer takes at the normal time scale.
#include <benchmark/benchmark.h>

#include "Source/System/Clock.h"
#include "sim/DfuImage.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualReceiver.h"
#include "support/SimHost.h"
#include "support/WaitFor.h"

namespace devio::sim {
namespace {

constexpr Byte kMouse = 1;
constexpr Byte kDfu = 3;

class Bench {
public:
    Bench() {
        sys::Clock::set_time_scale(1e-6);
        receiver.set_sink(host.sink());
        receiver.pair(mouse);
    }

    Report exchange(const Report& request) {
        std::size_t from = host.count();
        receiver.host_write(request.size() == rap::kShortReportLength ? Collection::Short
                                                                      : Collection::Long,
                            request);
        auto at = host.wait(from, [&](const Report& r) { return test::answers(r, request); });
        return at ? host.at(*at).report : Report(rap::kShortReportLength, 0);
    }

    bool enter_bootloader() {
        receiver.host_write(Collection::Long,
                            test::request(kMouse, 4, 1, {1, 0, 0, 0, 'D', 'F', 'U'}));
        return devio::test::wait_for([&] {
            auto state = mouse->state();
            return state.running == Firmware::Bootloader && state.link_established;
        });
    }

    bool send_image(const std::vector<Byte>& image) {
        std::size_t from = host.count();
        auto block = test::packet(image, 0);
        exchange(test::request(kMouse, kDfu, 4, {block.begin(), block.end()}));
        if (!host.wait(from, [](const Report& r) { return r[2] == kDfu && (r[3] & 0x0F) == 0; })) {
            return false;
        }
        uint32_t packets = static_cast<uint32_t>(image.size() / 16) - 1;
        for (uint32_t n = 1; n <= packets; ++n) {
            auto bytes = test::packet(image, n);
            exchange(test::request(kMouse, kDfu, static_cast<Byte>(n % 4),
                                   {bytes.begin(), bytes.end()}));
        }
        return mouse->state().radio_stack_image_complete;
    }

    Scheduler scheduler;
    test::HostRecorder host;
    VirtualReceiver receiver{scheduler, *receiver_kind('A')};
    std::shared_ptr<VirtualMouse> mouse = std::make_shared<VirtualMouse>(scheduler);
};

// A request through the receiver to the mouse and its answer back.
double designed_exchange_seconds() {
    ReceiverTiming receiver;
    MouseTiming mouse;
    auto total = receiver.usb + receiver.radio + mouse.answer + receiver.radio;
    return std::chrono::duration<double>(total).count();
}

void BM_RequestAndAnswer(benchmark::State& state) {
    Bench bench;
    Report ping = test::request(kMouse, 0x00, 1, {0, 0, 0x5A});
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench.exchange(ping));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RequestAndAnswer)->UseRealTime();

// The radio-stack image at its real size: 121,216 bytes, 7,576 packets.
void BM_RadioStackImage(benchmark::State& state) {
    Bench bench;
    if (!bench.enter_bootloader()) {
        state.SkipWithError("the mouse did not reach its bootloader");
        return;
    }
    auto image = test::dfu_image(DfuTransfer::Image::RadioStack, 121216 / 16 - 1);
    for (auto _ : state) {
        if (!bench.send_image(image)) {
            state.SkipWithError("the transfer did not complete");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(image.size() / 16));
    state.counters["designed_seconds"] =
        static_cast<double>(image.size() / 16) * designed_exchange_seconds();
}
BENCHMARK(BM_RadioStackImage)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace devio::sim

BENCHMARK_MAIN();

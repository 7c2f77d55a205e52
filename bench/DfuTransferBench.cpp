// The cost of one firmware packet through the library, against the simulator's own exchange in
// the same run: DFUSendPacket goes through the DFU feature, the command engine of a Device (named
// mutex, command lock, classification of the answer), the mouse's paired hardware device and the
// receiver's hardware device with its read thread, into the virtual mouse and back. The receiver
// and the mouse answer without their designed delays and the clock runs unscaled, so that both
// paths are measured by their work alone while the command engine's response wait keeps its 3 s.
// The vs_simulator counter of BM_DfuSendPacket is its time over BM_SimulatorExchange's.
#include <atomic>

#include <benchmark/benchmark.h>

#include "Source/Events/Subscriber.h"
#include "Source/Features/IFeature00c2DFUControl.h"
#include "Source/Features/IFeature00d0DFU.h"
#include "sim/DfuImage.h"
#include "support/HardwareEvents.h"
#include "support/PrivateLogConfiguration.h"
#include "support/SimDeviceHarness.h"
#include "support/SimHost.h"
#include "support/WaitFor.h"

namespace devio {
namespace {

// Packets of the image the benchmark sends over and over.
constexpr uint32_t kPackets = 60000;

sim::ReceiverTiming instant_receiver() {
    sim::ReceiverTiming timing;
    timing.usb = timing.answer = timing.radio = sim::Scheduler::Delay::zero();
    return timing;
}

sim::MouseOptions instant_mouse() {
    sim::MouseOptions options;
    options.timing.answer = sim::Scheduler::Delay::zero();
    return options;
}

__attribute__((constructor(101))) void prepare_log_configuration() {
    test::use_private_log_configuration([](sys::ConfigStore& store, const std::string& key) {
        store.write_dword(key, "logging", 0);
    });
}

// Nanoseconds per exchange of the simulator alone, for the packet's ratio.
double g_simulator_exchange_ns = 0;

using Clock = std::chrono::steady_clock;

double ns_per_iteration(Clock::duration elapsed, int64_t iterations) {
    return std::chrono::duration<double, std::nano>(elapsed).count() /
           static_cast<double>(iterations);
}

// A ping of the mouse written to the receiver and its answer recorded: the simulator's own work.
void BM_SimulatorExchange(benchmark::State& state) {
    sim::Scheduler scheduler;
    sim::test::HostRecorder host;
    sim::VirtualReceiver receiver{scheduler, *sim::receiver_kind('A'), instant_receiver()};
    auto mouse = std::make_shared<sim::VirtualMouse>(scheduler, instant_mouse());
    receiver.set_sink(host.sink());
    receiver.pair(mouse);
    sim::Report ping = sim::test::request(1, 0x00, 1, {0, 0, 0x5A});
    Clock::time_point start = Clock::now();
    for (auto _ : state) {
        std::size_t from = host.count();
        receiver.host_write(sim::Collection::Short, ping);
        benchmark::DoNotOptimize(
            host.wait(from, [&](const sim::Report& r) { return sim::test::answers(r, ping); }));
    }
    g_simulator_exchange_ns = ns_per_iteration(Clock::now() - start, state.iterations());
}
BENCHMARK(BM_SimulatorExchange)->UseRealTime();

// The device's "ready for packet 0" after a start block.
class ReadyWatch : public Subscriber<IFeature00d0DFU::Report> {
public:
    explicit ReadyWatch(std::shared_ptr<IFeature00d0DFU> dfu) : dfu_(std::move(dfu)) {
        subscribe(dfu_, DeliverDirect, "ReadyWatch");
    }
    ~ReadyWatch() override { unsubscribe(dfu_); }
    std::atomic<bool> ready{false};

private:
    void onDfuStatus(uint32_t packet, const std::vector<Byte>& status) override {
        if (packet == 0 && IFeature00d0DFU::status_code(status) == 1) {
            ready.store(true);
        }
    }
    std::shared_ptr<IFeature00d0DFU> dfu_;
};

std::vector<Byte> packet(const std::vector<Byte>& image, uint32_t number) {
    auto bytes = sim::test::packet(image, number);
    return {bytes.begin(), bytes.end()};
}

bool start(IFeature00d0DFU& dfu, ReadyWatch& watch, const std::vector<Byte>& image) {
    watch.ready.store(false);
    unsigned status = 0;
    return dfu.DFUStart(packet(image, 0), status, nullptr) &&
           test::wait_for([&] { return watch.ready.load(); });
}

void BM_DfuSendPacket(benchmark::State& state) {
    test::SimDeviceHarness h(instant_mouse(), instant_receiver());
    test::ScopedTimeScale scale(1.0);
    test::HardwareEvents links(h.mouse_hardware);
    auto control = h.use_feature<IFeature00c2DFUControl>();
    if (control == nullptr || !control->SetDfuControl(1, 0) || !links.wait_links(1, 1)) {
        state.SkipWithError("the mouse did not reach its bootloader");
        return;
    }
    h.forget_features();
    auto dfu = h.use_feature<IFeature00d0DFU>();
    ReadyWatch watch(dfu);
    std::vector<Byte> image = sim::test::dfu_image(sim::DfuTransfer::Image::RadioStack, kPackets);
    if (!start(*dfu, watch, image)) {
        state.SkipWithError("the start block was refused");
        return;
    }
    uint32_t confirmed = 0;
    Clock::duration restarts{};
    Clock::time_point begin = Clock::now();
    for (auto _ : state) {
        if (confirmed + 1 == kPackets) { // the image's last packet would end the transfer
            state.PauseTiming();
            Clock::time_point paused = Clock::now();
            if (!start(*dfu, watch, image)) {
                state.SkipWithError("the start block was refused");
                return;
            }
            confirmed = 0;
            restarts += Clock::now() - paused;
            state.ResumeTiming();
        }
        if (!dfu->DFUSendPacket(confirmed, packet(image, confirmed + 1))) {
            std::string error = "packet " + std::to_string(confirmed + 1) + " failed, error " +
                                std::to_string(to_underlying(last_error().code));
            state.SkipWithError(error.c_str());
            return;
        }
        ++confirmed;
    }
    state.SetItemsProcessed(state.iterations());
    if (g_simulator_exchange_ns > 0) {
        state.counters["vs_simulator"] =
            ns_per_iteration(Clock::now() - begin - restarts, state.iterations()) /
            g_simulator_exchange_ns;
    }
}
BENCHMARK(BM_DfuSendPacket)->UseRealTime();

} // namespace
} // namespace devio

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

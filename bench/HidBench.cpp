// The Windows HID layer's own cost on the virtual HID system: a report written by a Win32Device
// and echoed back by the collection to its read thread's Read event, the same round trip through
// the bare seam calls, and one enumeration of a receiver's two collections. The reference is a
// bare hand-over of a report to another thread and back, measured in the same run.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "Source/Events/Subscriber.h"
#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/System/Clock.h"
#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32Bus.h"
#include "Source/Windows/Win32Device.h"
#include "Source/Windows/Win32SystemChoice.h"
#include "sim/VirtualHidSystem.h"
#include "support/PrivateLogConfiguration.h"

namespace devio {
namespace {

// The log's own cost is measured elsewhere; DEVIO_BENCH_LOG keeps it on.
__attribute__((constructor(101))) void switch_the_log_off() {
    if (std::getenv("DEVIO_BENCH_LOG") == nullptr) {
        test::use_private_log_configuration([](sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "logging", 0);
        });
    }
}

const sim::HidCollectionDescription& collection() {
    static const sim::HidCollectionDescription description =
        sim::vendor_collection(Win32Device::kVarkonVendorId, 0xB401, 0xFF00, 2, 0x11, 20, 1, 2);
    return description;
}

// Counts Read events and lets the benchmark wait for the next one.
class ReadCounter : public Subscriber<IHardwareDevice::Read> {
public:
    void onRead(std::vector<Byte>, bool, unsigned, unsigned) override {
        {
            std::lock_guard lock(mutex_);
            ++reads_;
        }
        changed_.notify_one();
    }
    void wait_for(uint64_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return reads_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t reads_ = 0;
};

// A virtual system with one collection that echoes every report written to it.
struct EchoWorld {
    EchoWorld() {
        Win32SystemChoice::choose([s = system] { return s; });
        system->plug(collection());
        system->set_write_handler(collection().path, [this](const sim::Report& report) {
            system->send_to_host(collection().path, report);
        });
    }
    ~EchoWorld() { Win32SystemChoice::choose({}); }

    std::shared_ptr<sim::VirtualHidSystem> system = std::make_shared<sim::VirtualHidSystem>();
};

void BM_ThreadHandOverReference(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Byte> there;
    std::vector<Byte> back;
    bool stop = false;
    std::thread echo([&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || !there.empty(); });
            if (stop) {
                return;
            }
            back.swap(there);
            changed.notify_all();
        }
    });
    std::vector<Byte> report(20, 0x11);
    for (auto _ : state) {
        std::unique_lock lock(mutex);
        there = report;
        changed.notify_all();
        changed.wait(lock, [&] { return !back.empty(); });
        back.clear();
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    changed.notify_all();
    echo.join();
}
BENCHMARK(BM_ThreadHandOverReference)->UseRealTime();

void BM_SeamRoundTrip(benchmark::State& state) {
    EchoWorld world;
    sim::VirtualHidSystem& system = *world.system;
    HANDLE file = system.CreateFileW(widen(collection().path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OVERLAPPED, HANDLE{});
    OVERLAPPED read;
    read.hEvent = system.CreateEventW(nullptr, FALSE, FALSE, nullptr);
    OVERLAPPED write;
    write.hEvent = system.CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::vector<Byte> report(20, 0x11);
    std::vector<Byte> buffer(20);
    DWORD length = 0;
    for (auto _ : state) {
        system.ReadFile(file, buffer.data(), 20, nullptr, &read);
        system.WriteFile(file, report.data(), 20, nullptr, &write);
        system.WaitForSingleObject(write.hEvent, INFINITE);
        system.GetOverlappedResult(file, &write, &length, FALSE);
        system.WaitForSingleObject(read.hEvent, INFINITE);
        system.GetOverlappedResult(file, &read, &length, FALSE);
    }
    system.CloseHandle(file);
    system.CloseHandle(read.hEvent);
    system.CloseHandle(write.hEvent);
}
BENCHMARK(BM_SeamRoundTrip)->UseRealTime();

void BM_DeviceRoundTrip(benchmark::State& state) {
    EchoWorld world;
    std::shared_ptr<Win32Bus> bus = Win32Bus::create({});
    bus->lazyStart();
    auto device = std::make_shared<Win32Device>(bus, world.system, collection().path, 0);
    device->open();
    ReadCounter counter;
    counter.subscribe(std::shared_ptr<IHardwareDevice>(device), DeliverDirect, "bench");
    std::vector<Byte> report{0x11, 0xFF, 0x81};
    uint64_t written = 0;
    for (auto _ : state) {
        device->write(report, false);
        counter.wait_for(++written);
    }
    counter.unsubscribe(std::shared_ptr<IHardwareDevice>(device));
    device->close();
}
BENCHMARK(BM_DeviceRoundTrip)->UseRealTime();

void BM_EnumerateReceiver(benchmark::State& state) {
    EchoWorld world;
    world.system->plug(
        sim::vendor_collection(Win32Device::kVarkonVendorId, 0xB401, 0xFF00, 1, 0x10, 7, 1, 1));
    std::shared_ptr<Win32Bus> bus = Win32Bus::create({});
    for (auto _ : state) {
        benchmark::DoNotOptimize(bus->devices());
    }
}
BENCHMARK(BM_EnumerateReceiver)->UseRealTime();

} // namespace
} // namespace devio

int main(int argc, char** argv) {
    devio::Vs2003SingletonThreadCleanup::instance().set_present();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    devio::Vs2003SingletonThreadCleanup::instance().run_callbacks();
    return 0;
}

// Discovery at scale: the device manager finds 1, 6 and 48 mice (eight receivers of kind A with
// six paired mice each) on the simulator at its designed timing, and discovers every mouse's
// features, once from the devices and once with the feature cache files a previous run left. For
// each case: the time from the manager's start until it lists every mouse, the time of the feature discovery of all of
// them, and the resident memory the library holds per device; then how the time and memory per
// device grow from 1 to 48 devices (1.0 is linear growth).
//
// Each case runs three times, each in a process of its own (this program started again with
// --case), so that the memory of one run is not left in the next, and the median run is shown;
// the cache files are written by a run of the case before the measured ones. The diagnostic log is off, so that the figures are discovery's own;
// DEVIO_BENCH_LOG=1 keeps the user's log configuration.
//
// Usage: bench_discovery_scale [max-devices] [time-scale]   (defaults 48 and 1)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Source/Contracts/IDevice.h"
#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/Manager/CDevio.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/System/Clock.h"
#include "Source/Windows/Win32SystemChoice.h"
#include "sim/VirtualHidSystem.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualReceiver.h"
#include "support/PrivateLogConfiguration.h"
#include "support/RunLoopPump.h"

namespace devio {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMousesPerReceiver = 6;
constexpr int kMousePid = 0x40A1;

__attribute__((constructor(101))) void switch_the_log_off() {
    if (std::getenv("DEVIO_BENCH_LOG") == nullptr) {
        test::use_private_log_configuration([](sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "logging", 0);
        });
    }
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Answers the run loop on this thread until `done` holds or half a minute has passed.
template <class Done>
bool PumpUntil(test::RunLoopPump& pump, Done done) {
    Clock::time_point start = Clock::now();
    while (!done()) {
        if (Clock::now() - start > std::chrono::seconds(30)) {
            return false;
        }
        if (pump.drain() == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }
    return true;
}

// One case in this process: prints "arrived-ms features-ms resident-kib-per-device".
int RunCase(int devices, const std::string& cacheDirectory, double scale) {
    sys::Clock::set_time_scale(scale);
    Vs2003SingletonThreadCleanup::instance().set_present();
    int status = 1;
    {
        sim::Scheduler scheduler;
        auto system = std::make_shared<sim::VirtualHidSystem>();
        std::vector<std::unique_ptr<sim::VirtualReceiver>> receivers;
        std::vector<std::shared_ptr<sim::VirtualMouse>> mice;
        for (int i = 0; i < devices; ++i) {
            if (i % kMousesPerReceiver == 0) {
                receivers.push_back(
                    std::make_unique<sim::VirtualReceiver>(scheduler, *sim::receiver_kind('A')));
            }
            sim::MouseOptions options;
            options.unit_id = 0x4D2B1700u + static_cast<uint32_t>(i);
            mice.push_back(std::make_shared<sim::VirtualMouse>(scheduler, options));
            receivers.back()->pair(mice.back());
        }
        Win32SystemChoice::choose([system] { return system; });
        for (size_t r = 0; r < receivers.size(); ++r) {
            system->plug(*receivers[r], static_cast<unsigned>(r + 1));
        }
        CDevio::instance().reset();
        long before = ResidentKb();
        Clock::time_point start = Clock::now();
        // The application starts: the manager is made and finds what is plugged.
        std::shared_ptr<DeviceManager> manager = CDevio::instance().getimpl();
        if (!cacheDirectory.empty()) {
            manager->persistent_data_directory(cacheDirectory);
        }
        // Both items are the manager's own: setting them cannot fail.
        static_cast<void>(manager->config_set(IDeviceManager::receivers_active, true));
        static_cast<void>(manager->config_set(IDeviceManager::usb_devices_active, true));
        {
            test::RunLoopPump pump(manager);
            auto mouses = [&] {
                std::vector<std::shared_ptr<IDevice>> found;
                for (const std::shared_ptr<IDevice>& device : manager->devices()) {
                    if (device->pid() == kMousePid) {
                        found.push_back(device);
                    }
                }
                return found;
            };
            bool arrived = PumpUntil(pump, [&] { return mouses().size() >= size_t(devices); });
            double arrivedMs = MsSince(start);
            Clock::time_point featuresStart = Clock::now();
            size_t discovered = 0;
            for (const std::shared_ptr<IDevice>& mouse : mouses()) {
                discovered += mouse->features().empty() ? 0 : 1;
                pump.drain();
            }
            double featuresMs = MsSince(featuresStart);
            long after = ResidentKb();
            if (arrived && discovered == size_t(devices)) {
                std::printf("%.2f %.2f %.1f\n", arrivedMs, featuresMs,
                            static_cast<double>(after - before) / devices);
                status = 0;
            } else {
                std::fprintf(stderr, "%d of %d mice found, %zu discovered\n",
                             static_cast<int>(mouses().size()), devices, discovered);
            }
        }
        manager.reset();
        CDevio::instance().reset();
        for (auto& receiver : receivers) {
            system->unplug(*receiver);
        }
        Win32SystemChoice::choose({});
    }
    Vs2003SingletonThreadCleanup::instance().run_callbacks();
    return status;
}

struct Result {
    bool ok = false;
    double arrivedMs = 0;
    double featuresMs = 0;
    double kbPerDevice = 0;
};

// Runs one case in a process of its own.
Result RunCaseProcess(int devices, const std::string& cacheDirectory, double scale) {
    // popen starts a shell: the program's own path is read before.
    static const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string command = "'" + self + "' --case " + std::to_string(devices) + " " +
                          std::to_string(scale) + " '" +
                          (cacheDirectory.empty() ? "-" : cacheDirectory) + "'";
    Result result;
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) {
        return result;
    }
    result.ok = std::fscanf(child, "%lf %lf %lf", &result.arrivedMs, &result.featuresMs,
                            &result.kbPerDevice) == 3;
    result.ok = pclose(child) == 0 && result.ok;
    return result;
}

// Runs of one case, each in a process of its own: one machine hiccup moves a single run by
// more than the growth it is to show.
constexpr int kRunsPerCase = 3;

// The run with the median time (and the median memory per device) of kRunsPerCase runs; not ok
// when any run failed.
Result MedianOfRuns(int devices, const std::string& cacheDirectory, double scale) {
    std::vector<Result> runs;
    for (int i = 0; i < kRunsPerCase; ++i) {
        runs.push_back(RunCaseProcess(devices, cacheDirectory, scale));
        if (!runs.back().ok) {
            return runs.back();
        }
    }
    auto middle = runs.begin() + kRunsPerCase / 2;
    std::nth_element(runs.begin(), middle, runs.end(), [](const Result& a, const Result& b) {
        return a.arrivedMs + a.featuresMs < b.arrivedMs + b.featuresMs;
    });
    Result median = *middle;
    std::nth_element(runs.begin(), middle, runs.end(),
                     [](const Result& a, const Result& b) { return a.kbPerDevice < b.kbPerDevice; });
    median.kbPerDevice = middle->kbPerDevice;
    return median;
}

} // namespace
} // namespace devio

int main(int argc, char** argv) {
    using namespace devio;
    if (argc == 5 && std::string(argv[1]) == "--case") {
        std::string directory = argv[4];
        return RunCase(std::atoi(argv[2]), directory == "-" ? "" : directory, std::atof(argv[3]));
    }
    const int maxDevices = argc > 1 ? std::max(1, std::atoi(argv[1])) : 48;
    const double scale = argc > 2 ? std::atof(argv[2]) : 1.0;
    std::vector<int> counts;
    for (int n : {1, 6, 48}) {
        if (n <= maxDevices) {
            counts.push_back(n);
        }
    }
    std::printf("discovery on the simulator at time scale %g: receivers of kind A, six mice each\n",
                scale);
    std::printf("%8s %6s %11s %12s %10s %11s %13s %12s\n", "devices", "cache", "found ms",
                "features ms", "ms/device", "KiB/device", "time growth", "mem growth");
    int failures = 0;
    for (bool cache : {false, true}) {
        Result first;
        for (int n : counts) {
            std::string directory;
            if (cache) {
                directory = (std::filesystem::temp_directory_path() /
                             ("devio-bench-cache-" + std::to_string(getpid()) + "-" +
                              std::to_string(n)))
                                .string() +
                            "/";
                std::filesystem::create_directories(directory);
                RunCaseProcess(n, directory, scale); // leaves the cache files
            }
            Result r = MedianOfRuns(n, directory, scale);
            if (!directory.empty()) {
                std::filesystem::remove_all(directory);
            }
            if (!r.ok) {
                std::printf("%8d %6s   failed\n", n, cache ? "files" : "none");
                ++failures;
                continue;
            }
            if (n == counts.front()) {
                first = r;
            }
            double perDevice = (r.arrivedMs + r.featuresMs) / n;
            double firstPerDevice = first.arrivedMs + first.featuresMs;
            std::printf("%8d %6s %11.1f %12.1f %10.2f %11.1f %13.2f %12.2f\n", n,
                        cache ? "files" : "none", r.arrivedMs, r.featuresMs, perDevice,
                        r.kbPerDevice, firstPerDevice > 0 ? perDevice / firstPerDevice : 0.0,
                        first.kbPerDevice > 0 ? r.kbPerDevice / first.kbPerDevice : 0.0);
        }
    }
    return failures == 0 ? 0 : 1;
}

#include "tools/devio-probe/ProbeCollector.h"

#include "tools/devio-probe/FeatureValues.h"
#include "tools/devio-probe/SimpleFeatureValues.h"

#include <atomic>
#include <cstdint>

#include "Source/Contracts/BusType.h"
#include "Source/Contracts/IDevice.h"
#include "Source/Contracts/IDeviceManager.h"
#include "Source/Contracts/IFeature.h"
#include "Source/Contracts/IReceiver.h"
#include "Source/Events/Subscriber.h"
#include "Source/Features/FirmwareVersionText.h"
#include "Source/Features/IFeature0003FirmwareInfo.h"
#include "Source/System/Clock.h"

namespace devio::probe {

namespace {

constexpr int kPollMs = 10;

// Answers the manager's run loop on the collecting thread and counts arrivals.
class RunLoopAnswerer : public Subscriber<IDeviceManager::RunLoopEvent>,
                        public Subscriber<IDeviceManager::ArrivalRemoval> {
public:
    explicit RunLoopAnswerer(std::shared_ptr<IDeviceManager> manager)
        : manager_(std::move(manager)) {
        Subscriber<IDeviceManager::RunLoopEvent>::subscribe(manager_, DeliverDirect,
                                                            "devio-probe::RunLoopEvent");
        // The first arrival subscriber builds the manager's stack.
        Subscriber<IDeviceManager::ArrivalRemoval>::subscribe(manager_, DeliverViaRunLoop,
                                                              "devio-probe::ArrivalRemoval");
    }
    ~RunLoopAnswerer() override {
        Subscriber<IDeviceManager::ArrivalRemoval>::unsubscribe(manager_);
        Subscriber<IDeviceManager::RunLoopEvent>::unsubscribe(manager_);
    }
    RunLoopAnswerer(const RunLoopAnswerer&) = delete;
    RunLoopAnswerer& operator=(const RunLoopAnswerer&) = delete;

    // Delivers what is queued; true when a device arrived meanwhile.
    bool drain() {
        while (pending_.load() > 0) {
            --pending_;
            manager_->call_event_from_runloop();
        }
        return arrived_.exchange(false);
    }

private:
    void onRunLoopEvent() override { ++pending_; }
    void onDeviceArrival(std::shared_ptr<IDevice> /*device*/) override { arrived_ = true; }

    std::shared_ptr<IDeviceManager> manager_;
    std::atomic<int> pending_{0};
    std::atomic<bool> arrived_{false};
};

std::vector<ProbeFirmwareEntity> firmware_of(IDevice& device) {
    std::vector<ProbeFirmwareEntity> entities;
    auto info = device.feature<IFeature0003FirmwareInfo>();
    int count = 0;
    if (info == nullptr || !info->GetEntityCount(&count, nullptr, nullptr, nullptr, nullptr,
                                                 nullptr, nullptr, CacheMode::Cached)) {
        return entities;
    }
    for (int index = 0; index < count; ++index) {
        ProbeFirmwareEntity entity;
        entity.index = index;
        uint16_t version = 0;
        uint16_t build = 0;
        if (!info->GetFwInfo(index, &entity.type, &entity.prefix, &version, &build, nullptr,
                             nullptr, CacheMode::Cached)) {
            continue;
        }
        entity.version = hex_word(version);
        entity.build = hex_word(build);
        entity.formatted =
            formatted_firmware_version(entity.prefix, normalise_bcd(version), normalise_bcd(build));
        entities.push_back(std::move(entity));
    }
    return entities;
}

} // namespace

ProbeCollector::ProbeCollector(std::shared_ptr<IDeviceManager> manager)
    : manager_(std::move(manager)) {}

ProbeDevice ProbeCollector::describe(IDevice& device) {
    ProbeDevice entry;
    if (device.busType() == kBusTypeReceiver) {
        entry.slot = device.busIndex() - 1;
    }
    entry.product_id = device.pid();
    entry.name = device.name();
    entry.path = device.path();
    entry.bus_type = device.busType();
    entry.connected = device.connected();
    if (entry.connected) {
        for (const std::shared_ptr<IFeature>& feature : device.features()) {
            entry.features.push_back(
                {feature->featureID(), feature->featureIndex(), feature->version()});
        }
        entry.firmware = firmware_of(device);
        add_feature_values(device, entry.values);
        add_simple_feature_values(device, entry.values);
    }
    return entry;
}

void ProbeCollector::wait_for_devices(int wait_ms) {
    RunLoopAnswerer answerer(manager_);
    const int64_t frequency = sys::Clock::performance_frequency() / 1000;
    const int64_t start = sys::Clock::performance_counter();
    int64_t last_arrival = start;
    for (;;) {
        const int64_t now = sys::Clock::performance_counter();
        if (answerer.drain()) {
            last_arrival = now;
        }
        const bool quiet =
            (now - last_arrival) / frequency >= kQuietMs && !manager_->devices().empty();
        if (quiet || (now - start) / frequency >= wait_ms) {
            break;
        }
        sys::Clock::sleep_ms(kPollMs);
    }
    answerer.drain();
}

ProbeReport ProbeCollector::collect(int wait_ms) {
    wait_for_devices(wait_ms);
    ProbeReport report;
    for (const std::shared_ptr<IDevice>& device : manager_->devices()) {
        if (auto receiver = std::dynamic_pointer_cast<IReceiver>(device)) {
            ProbeReceiver entry{
                device->pid(), device->name(), device->path(), device->busType(), {}};
            for (const std::shared_ptr<IDevice>& paired : receiver->paired_devices()) {
                entry.paired.push_back(describe(*paired));
            }
            report.receivers.push_back(std::move(entry));
        } else if (device->busType() != kBusTypeReceiver) {
            report.devices.push_back(describe(*device));
        }
    }
    return report;
}

} // namespace devio::probe

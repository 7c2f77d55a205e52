// One RAP device on a fake hardware device, initialised with the process's device manager, with
// the run loop answered on the test's thread. The device's protected machinery is reachable
// through TestDevice.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "Source/Events/Subscriber.h"
#include "Source/Manager/CDevio.h"
#include "Source/Rap/Device.h"
#include "Source/Rap/Feature.h"
#include "Source/Rap/FeatureFactory.h"
#include "support/FakeHardwareDevice.h"

namespace devio::test {

class TestDevice : public Device {
public:
    using Device::cookie_;
    using Device::Device;
    using Device::foreign_cookie_;
    using Device::handle_connect;
    using Device::handle_disconnect;
    using Device::perform_deactivate;

    // The next cookies the device draws (before it moves them past another program's cookie).
    std::deque<int> drawn_cookies;

    int random(int low, int high) override {
        if (low == 1 && high == 0xFFFE && !drawn_cookies.empty()) {
            int drawn = drawn_cookies.front();
            drawn_cookies.pop_front();
            return drawn;
        }
        return Device::random(low, high);
    }
};

// A device whose engine hands back a fixed answer, for checks of what a feature makes of it.
class CannedDevice : public Device {
public:
    using Device::Device;
    rap::Report canned;
    bool sendSynchronousCommand(const std::vector<Byte>& /*command*/, std::vector<Byte>& response,
                                CacheMode /*cache_mode*/,
                                const rap::MatchPositions& /*positions*/) override {
        response = canned;
        return true;
    }
};

// Collects what a device publishes, on whichever thread it does.
class DeviceEvents : public Subscriber<IDevice::Report>,
                     public Subscriber<IDevice::WriteReport>,
                     public Subscriber<IDevice::Connect>,
                     public Subscriber<IDevice::ConfigChange> {
public:
    struct Write {
        std::vector<Byte> report;
        ErrorCode code;
        unsigned number;
    };

    explicit DeviceEvents(const std::shared_ptr<IDevice>& device) : device_(device) {
        Subscriber<IDevice::Report>::subscribe(device, DeliverDirect, "DeviceEvents::Report");
        Subscriber<IDevice::WriteReport>::subscribe(device, DeliverDirect, "DeviceEvents::Write");
        Subscriber<IDevice::Connect>::subscribe(device, DeliverDirect, "DeviceEvents::Connect");
        Subscriber<IDevice::ConfigChange>::subscribe(device, DeliverDirect,
                                                     "DeviceEvents::ConfigChange");
    }
    // The device's read thread may still report: leave before the records go.
    ~DeviceEvents() override {
        if (std::shared_ptr<IDevice> device = device_.lock()) {
            Subscriber<IDevice::Report>::unsubscribe(device);
            Subscriber<IDevice::WriteReport>::unsubscribe(device);
            Subscriber<IDevice::Connect>::unsubscribe(device);
            Subscriber<IDevice::ConfigChange>::unsubscribe(device);
        }
    }

    std::vector<IDevice::ReportType> report_types() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return types_;
    }
    std::vector<Write> writes() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return writes_;
    }
    int connects() const { return connects_.load(); }
    int disconnects() const { return disconnects_.load(); }
    // device_configured_by_us of every onConnect, in order.
    std::vector<bool> connect_flags() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return connect_flags_;
    }
    int firmware_changes() const { return firmware_changes_.load(); }
    int config_changes() const { return config_changes_.load(); }

private:
    void onReport(const std::vector<Byte>& /*report*/, unsigned /*syserr*/, unsigned /*size*/,
                  IDevice::ReportType type) override {
        std::lock_guard<std::mutex> lock(mutex_);
        types_.push_back(type);
    }
    void onWriteReport(const std::vector<Byte>& report, ErrorCode code, unsigned number) override {
        std::lock_guard<std::mutex> lock(mutex_);
        writes_.push_back({report, code, number});
    }
    void onConnect(std::shared_ptr<IDevice> /*device*/, bool configured_by_us) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connect_flags_.push_back(configured_by_us);
        }
        ++connects_;
    }
    void onDisconnect(std::shared_ptr<IDevice> /*device*/) override { ++disconnects_; }
    void onFirmwareChanged(std::shared_ptr<IDevice> /*device*/) override { ++firmware_changes_; }
    void onConfigChange() override { ++config_changes_; }

    std::weak_ptr<IDevice> device_;
    mutable std::mutex mutex_;
    std::vector<IDevice::ReportType> types_;
    std::vector<Write> writes_;
    std::vector<bool> connect_flags_;
    std::atomic<int> connects_{0};
    std::atomic<int> disconnects_{0};
    std::atomic<int> firmware_changes_{0};
    std::atomic<int> config_changes_{0};
};

class DeviceHarness {
public:
    explicit DeviceHarness(FakeHardwareDevice::Identity identity = {})
        : DeviceHarness(std::make_shared<FakeHardwareDevice>(std::move(identity))) {}
    // `configure` sets the manager up before the device is initialised with it.
    explicit DeviceHarness(std::shared_ptr<FakeHardwareDevice> fake,
                           const std::function<void(IDeviceManager&)>& configure = {})
        : hardware(std::move(fake)) {
        CDevio::instance().reset();
        manager = CDevio::instance();
        manager->swid(kSoftwareId);
        if (configure) {
            configure(*manager);
        }
        device = std::make_shared<TestDevice>(manager, hardware);
        device->initDevice(manager);
        // As an application looking at a new device: the device now follows its hardware device.
        device->connected();
    }
    ~DeviceHarness() {
        device->uninitDevice();
        device.reset();
        manager.reset(); // the reset waits for every other holder of the manager
        CDevio::instance().reset();
    }
    DeviceHarness(const DeviceHarness&) = delete;
    DeviceHarness& operator=(const DeviceHarness&) = delete;

    // Gives the device a feature table (a plain root feature), as discovery would.
    void make_feature_based() {
        device->feature_table().put(FeatureFactory::create(0x0000, 0, device));
    }
    // The device answers discovery with a root and no other feature: the protocol request, and
    // index 0 for every feature number.
    void answer_root_without_features() {
        hardware->answer(0x00, 0, {FakeHardwareDevice::Answer::with({0, 0, 0})});
        hardware->answer(0x00, 1, {FakeHardwareDevice::Answer::with({4, 2, 0})});
    }
    // Puts a plain feature of `number` at `index`.
    std::shared_ptr<Feature> add_feature(int number, Byte index) {
        std::shared_ptr<Feature> feature = FeatureFactory::create(number, index, device);
        device->feature_table().put(feature);
        return feature;
    }

    // The manager's software-id default that every harness device starts with.
    static constexpr int kSoftwareId = 12;

    std::shared_ptr<IDeviceManager> manager;
    std::shared_ptr<FakeHardwareDevice> hardware;
    std::shared_ptr<TestDevice> device;
};

} // namespace devio::test

// One RAP device on a fake hardware device, initialised with the process's device manager, with
// the run loop answered on the test's thread. The device's protected machinery is reachable
// through TestDevice.
#pragma once

#include <memory>
#include <vector>

#include "Source/CDevio.h"
#include "Source/Device.h"
#include "Source/Feature.h"
#include "Source/FeatureFactory.h"
#include "Source/Subscriber.h"
#include "support/FakeHardwareDevice.h"

namespace devio::test {

class TestDevice : public Device {
public:
    using Device::cookie_;
    using Device::Device;
    using Device::handle_connect;
    using Device::handle_disconnect;
};

// Collects what a device publishes, on whichever thread it does.
class DeviceEvents : public Subscriber<IDevice::Report>,
                     public Subscriber<IDevice::WriteReport>,
                     public Subscriber<IDevice::Connect> {
public:
    struct Write {
        std::vector<Byte> report;
        ErrorCode code;
        unsigned number;
    };

    explicit DeviceEvents(const std::shared_ptr<IDevice>& device) {
        Subscriber<IDevice::Report>::subscribe(device, DeliverDirect, "DeviceEvents::Report");
        Subscriber<IDevice::WriteReport>::subscribe(device, DeliverDirect, "DeviceEvents::Write");
        Subscriber<IDevice::Connect>::subscribe(device, DeliverDirect, "DeviceEvents::Connect");
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
    void onConnect(std::shared_ptr<IDevice> /*device*/, bool /*configured_by_us*/) override {
        ++connects_;
    }
    void onDisconnect(std::shared_ptr<IDevice> /*device*/) override { ++disconnects_; }

    mutable std::mutex mutex_;
    std::vector<IDevice::ReportType> types_;
    std::vector<Write> writes_;
    std::atomic<int> connects_{0};
    std::atomic<int> disconnects_{0};
};

class DeviceHarness {
public:
    explicit DeviceHarness(FakeHardwareDevice::Identity identity = {}) {
        CDevio::instance().reset();
        manager = CDevio::instance();
        manager->swid(kSoftwareId);
        hardware = std::make_shared<FakeHardwareDevice>(std::move(identity));
        device = std::make_shared<TestDevice>(manager, hardware);
        device->initDevice(manager);
        // As an application looking at a new device: the device now follows its hardware device.
        device->connected();
    }
    ~DeviceHarness() {
        device->uninitDevice();
        device.reset();
        CDevio::instance().reset();
    }
    DeviceHarness(const DeviceHarness&) = delete;
    DeviceHarness& operator=(const DeviceHarness&) = delete;

    // Gives the device a feature table (a plain root feature), as discovery would.
    void make_feature_based() {
        device->feature_table().put(FeatureFactory::create(0x0000, 0, device));
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

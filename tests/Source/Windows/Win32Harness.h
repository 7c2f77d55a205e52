// The Windows HID bus and device on the virtual HID system: a fixture whose bus gets a fresh
// VirtualHidSystem, and recorders of the bus's and a device's events.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/Subscriber.h"
#include "Source/Windows/Win32Bus.h"
#include "Source/Windows/Win32Device.h"
#include "Source/Windows/Win32SystemChoice.h"
#include "sim/VirtualHidSystem.h"
#include "support/ScopedTimeScale.h"

namespace devio::test {

inline constexpr auto kEventBound = std::chrono::seconds(10); // only ends a hanging test

// Waits on `changed` until `done` holds; false when the bound passed first.
template <class Done>
bool wait_until(std::condition_variable& changed, std::unique_lock<std::mutex>& lock, Done done) {
    return changed.wait_for(lock, kEventBound, done);
}

class PlugRecorder : public Subscriber<IHardwareBus::PlugUnplug> {
public:
    struct Entry {
        bool plug;
        std::string path;
        std::shared_ptr<IHardwareDevice> device;
    };
    std::function<void(const Entry&)> on_entry; // runs on the producing thread

    void onPlug(std::shared_ptr<IHardwareDevice> device) override {
        add({true, device->path(), device});
    }
    void onUnplug(std::shared_ptr<IHardwareDevice> device) override {
        add({false, device->path(), device});
    }
    void onPowerChange(bool stand_by) override {
        std::lock_guard lock(mutex_);
        power_changes_.push_back(stand_by);
    }

    std::vector<Entry> entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    std::vector<bool> power_changes() const {
        std::lock_guard lock(mutex_);
        return power_changes_;
    }
    int unplugs_of(const std::string& path) const {
        int count = 0;
        for (const Entry& entry : entries()) {
            count += !entry.plug && entry.path == path;
        }
        return count;
    }

private:
    void add(Entry entry) {
        if (on_entry) {
            on_entry(entry);
        }
        std::lock_guard lock(mutex_);
        entries_.push_back(std::move(entry));
    }

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::vector<bool> power_changes_;
};

// Records a device's Read and Write events; `on_read` runs on the read thread first.
class DeviceRecorder : public Subscriber<IHardwareDevice::Read>,
                       public Subscriber<IHardwareDevice::Write> {
public:
    struct ReadEvent {
        std::vector<Byte> report;
        unsigned syserr;
        unsigned size;
    };
    struct WriteEvent {
        std::vector<Byte> report;
        ErrorCode code;
        unsigned syserr;
    };
    std::function<void(const ReadEvent&)> on_read;

    ~DeviceRecorder() override {
        std::shared_ptr<IHardwareDevice> device = device_.lock();
        if (device) {
            Subscriber<IHardwareDevice::Read>::unsubscribe(device);
            Subscriber<IHardwareDevice::Write>::unsubscribe(device);
        }
    }

    void listen(const std::shared_ptr<IHardwareDevice>& device, bool reads = true) {
        device_ = device;
        ASSERT_TRUE(Subscriber<IHardwareDevice::Write>::subscribe(device, DeliverDirect, "test"));
        if (reads) {
            ASSERT_TRUE(
                Subscriber<IHardwareDevice::Read>::subscribe(device, DeliverDirect, "test"));
        }
    }

    void onRead(std::vector<Byte> report, bool, unsigned syserr, unsigned size) override {
        ReadEvent event{std::move(report), syserr, size};
        if (on_read) {
            on_read(event);
        }
        {
            std::lock_guard lock(mutex_);
            reads_.push_back(std::move(event));
        }
        changed_.notify_all();
    }
    void onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) override {
        std::lock_guard lock(mutex_);
        writes_.push_back({std::move(report), code, syserr});
    }

    // The `count`th read event (1-based), waiting for it; fails the test without one.
    ReadEvent read(std::size_t count) {
        std::unique_lock lock(mutex_);
        if (!wait_until(changed_, lock, [&] { return reads_.size() >= count; })) {
            ADD_FAILURE() << "no read event " << count;
            return {};
        }
        return reads_[count - 1];
    }
    std::size_t read_count() const {
        std::lock_guard lock(mutex_);
        return reads_.size();
    }
    std::vector<WriteEvent> writes() const {
        std::lock_guard lock(mutex_);
        return writes_;
    }

private:
    std::weak_ptr<IHardwareDevice> device_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ReadEvent> reads_;
    std::vector<WriteEvent> writes_;
};

// Collects what the virtual collection receives.
class WrittenReports {
public:
    sim::VirtualCollection::WriteHandler handler() {
        return [this](const sim::Report& report) {
            std::lock_guard lock(mutex_);
            reports_.push_back(report);
        };
    }
    std::vector<sim::Report> reports() const {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<sim::Report> reports_;
};

class Win32Fixture : public ::testing::Test {
protected:
    Win32Fixture() {
        Win32SystemChoice::choose([system = system] { return system; });
    }
    ~Win32Fixture() override { Win32SystemChoice::choose({}); }

    // A RAP collection of the maker's on page 0xFF00: usage 1 (7-byte reports, id 0x10) or
    // usage 2 (20-byte reports, id 0x11).
    static sim::HidCollectionDescription rap_collection(uint16_t usage = 2, unsigned location = 1,
                                                        uint16_t product_id = 0xB401) {
        bool long_reports = usage == 2;
        sim::HidCollectionDescription description = sim::vendor_collection(
            Win32Device::kVarkonVendorId, product_id, 0xFF00, usage, long_reports ? 0x11 : 0x10,
            long_reports ? 20 : 7, location, usage);
        description.product = "Test Receiver";
        return description;
    }

    // A device of the started bus, as the bus makes them.
    std::shared_ptr<Win32Device> device_for(const std::string& path) {
        EXPECT_TRUE(bus->lazyStart());
        return std::make_shared<Win32Device>(bus, system, path, 0);
    }
    // A device on a plugged collection, opened.
    std::shared_ptr<Win32Device> open_device(const sim::HidCollectionDescription& description) {
        EXPECT_TRUE(system->plug(description));
        std::shared_ptr<Win32Device> device = device_for(description.path);
        EXPECT_TRUE(device->open()) << "error " << to_underlying(last_error().code);
        return device;
    }

    // The unscaled clock: the bus's start waits a bounded time for its window thread, and a scaled
    // bound is short enough for a loaded machine to miss. Tests that let a time-out elapse scale
    // the clock down once the bus has started.
    ScopedTimeScale scale{1.0};
    std::shared_ptr<sim::VirtualHidSystem> system = std::make_shared<sim::VirtualHidSystem>();
    std::shared_ptr<Win32Bus> bus = Win32Bus::create({});
};

} // namespace devio::test

// The virtual receiver as one hardware device of the library: its short and its long collection
// joined, as the collection combiner joins those of a real receiver, so that a Device (or anything
// else below the bus stack) can be built on the simulator.
//
// Writes go to the collection whose reports are long enough (7 bytes: short, up to 20: long), with
// byte 0 set to that collection's report id and zero padding, as a HID transport sends them. Each
// write ends in exactly one Write event on the writing thread. Reports from the receiver are
// delivered by a read thread of the device's own, which starts once the device is open and has a
// Read subscriber, with the `syserr` and `size` a HID collection gives (size: the report length of
// the collection it came on). Unplugging ends the device as a vanished HID device does: one Read
// with an empty report, `syserr` 1167 and `size` 0, then open and write fail with DeviceRemoved.
//
// The receiver must outlive the device, or the device must be unplugged before the receiver goes.
// Connect is never produced: a HID device is always connected.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/Producer.h"
#include "sim/VirtualReceiver.h"

namespace devio::sim {

class ReceiverHardwareDevice final : public IHardwareDevice,
                                     public Producer<IHardwareDevice::Write>,
                                     public Producer<IHardwareDevice::Read>,
                                     public Producer<IHardwareDevice::Connect>,
                                     public std::enable_shared_from_this<ReceiverHardwareDevice> {
public:
    // The system error of a read from a device that is no longer connected.
    static constexpr unsigned kDeviceNotConnected = 1167;

    // Attaches to `receiver` as its host side (its sink). The path defaults to one made of the
    // receiver's product ID.
    static std::shared_ptr<ReceiverHardwareDevice> create(VirtualReceiver& receiver,
                                                          std::string path = {});
    ~ReceiverHardwareDevice() override;

    // IHardwareDevice
    bool connected() const override { return true; }
    [[nodiscard]] bool open() override;
    // Reports that arrive while the device is closed are lost; writes open it again.
    void close() override;
    [[nodiscard]] bool write(std::vector<Byte> report, bool blocking) override;
    std::weak_ptr<IHardwareBus> bus() const override { return {}; }
    std::string path() const override { return path_; }
    int pid() const override { return product_id_; }
    std::string name() const override { return name_; }
    int slot_byte() const override { return 0; }
    int bus_type() const override;
    int bus_index() const override { return 0; }
    bool verify_connection_following_timeout() override;

    // The receiver is pulled out: it no longer hears from or talks to this device. Returns once
    // the vanished-device Read has been delivered (at once when called on the read thread).
    void unplug();
    // True on the thread that delivers this device's reads.
    bool on_read_thread() const;

protected:
    using Producer<IHardwareDevice::Write>::on_subscribe;
    using Producer<IHardwareDevice::Connect>::on_subscribe;
    bool on_subscribe(IHardwareDevice::Read* subscriber) override;

private:
    // What the read thread delivers; shared with it, so that the thread never touches a device
    // that is being destroyed.
    struct Inbox {
        struct Item {
            Report report;
            unsigned syserr = 0;
            unsigned size = 0;
        };
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Item> items;
        bool open = false;
        bool subscribed = false;
        bool reading = false;
        bool removed = false;
        bool stopping = false;
        std::thread::id reader;

        // The receiver's sink: runs on the simulator thread with the simulator lock held.
        void take(Collection collection, const Report& report);
    };

    ReceiverHardwareDevice(VirtualReceiver& receiver, std::string path);
    // Starts the read thread once the device is open and has a subscriber; inbox lock held.
    void start_reading(std::unique_lock<std::mutex>& lock);
    static void read_loop(std::shared_ptr<Inbox> inbox,
                          std::weak_ptr<ReceiverHardwareDevice> owner);
    bool fail_write(ErrorCode code, uint32_t syserr = 0);

    const std::string path_;
    const int product_id_;
    const std::string name_;
    const std::shared_ptr<Inbox> inbox_ = std::make_shared<Inbox>();
    // Guards the receiver reference, held across every call into the receiver, so that unplug
    // waits for a write in progress.
    std::mutex receiver_mutex_;
    VirtualReceiver* receiver_;
    std::thread reader_;
};

} // namespace devio::sim

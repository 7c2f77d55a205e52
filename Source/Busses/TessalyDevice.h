// TessalyDevice: the hardware device of one wireless device paired to a receiver. It owns no file
// handle: its reports travel through the receiver's own RAP device (TessalyBus). On the way down
// it puts its RAP device index (slot + 1) into byte 1; on the way up the bus hands it every report
// that carries its index, and it produces them with set_own_index, so that the RAP layer above
// reads the index as 0xFF, exactly as for a corded device.
//
// Threads: the Read and Write hand-overs and processConnect/processDisconnect run on the receiver
// hardware device's read thread (or the writing thread for Write); write, name and the receiver
// operations on the caller's thread. The link flags are atomic, the name has a mutex.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/Producer.h"

namespace devio {

class TessalyBus;

class TessalyDevice : public IHardwareDevice,
                      public Producer<IHardwareDevice::Write>,
                      public Producer<IHardwareDevice::Read>,
                      public Producer<IHardwareDevice::Connect>,
                      public std::enable_shared_from_this<TessalyDevice> {
public:
    // Made only by the receiver bus; `slot` is 0-based.
    TessalyDevice(const std::shared_ptr<TessalyBus>& bus, int slot, int product_id, bool connected);
    ~TessalyDevice() override;
    TessalyDevice(const TessalyDevice&) = delete;
    TessalyDevice& operator=(const TessalyDevice&) = delete;

    // IHardwareDevice
    bool connected() const override { return connected_.load(); }
    [[nodiscard]] bool open() override { return true; }
    void close() override {}
    // DeviceRemoved when the receiver bus is gone, NotConnected while the link is down; otherwise
    // the receiver's command path decides, and the receiver's Write comes back as ours.
    [[nodiscard]] bool write(std::vector<Byte> report, bool blocking) override;
    std::weak_ptr<IHardwareBus> bus() const override;
    std::string path() const override { return path_; }
    int pid() const override { return product_id_; }
    // Read from the receiver on first use; an empty name is asked for again next time.
    std::string name() const override;
    int slot_byte() const override { return slot_byte_.load(); }
    int bus_type() const override;
    int bus_index() const override { return slot_ + 1; }
    int extended_value() const override;
    // False when the link went down after the last write.
    bool verify_connection_following_timeout() override;

    int slot() const { return slot_; }
    void set_slot_byte(int value) { slot_byte_.store(value); }

    // Link changes from the receiver's notifications.
    void processConnect();
    void processDisconnect();
    // Reports of this device index that the receiver read or wrote.
    void take_read(const std::vector<Byte>& report, unsigned syserr, unsigned size);
    void take_write(const std::vector<Byte>& report, ErrorCode code, unsigned syserr);

    // The receiver operations of the configuration cookie; DeviceRemoved when the bus is gone.
    // The receiver watches its register 0x00 and sets its software-present bit.
    bool set_software_present();
    // Sets this device's slot bit in receiver register 0x03.
    bool set_slot_flag();
    // Withdraws the receiver's software-present bit again (the receiver's shutdown).
    bool clear_software_present();

protected:
    using Producer<IHardwareDevice::Read>::on_subscribe;
    using Producer<IHardwareDevice::Connect>::on_subscribe;
    // Our writes come back through the receiver's Write events, which the bus starts listening to.
    bool on_subscribe(IHardwareDevice::Write* subscriber) override;

private:
    std::shared_ptr<TessalyBus> locked_bus(const char* function) const;

    const std::weak_ptr<TessalyBus> bus_;
    const int slot_;
    const int product_id_;
    const std::string path_;
    std::atomic<bool> connected_;
    std::atomic<bool> disconnected_since_last_write_{false};
    std::atomic<int> slot_byte_{0};
    mutable std::mutex name_mutex_;
    mutable std::string name_; // guarded by name_mutex_; non-empty once read
};

} // namespace devio

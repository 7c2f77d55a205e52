// One device paired to the virtual receiver, as a hardware device of the library: in small, what
// the receiver bus makes of a paired device, so that a Device for the mouse can be built and tested
// on the simulator below the bus stack.
//
// Writes get the device index in byte 1 and go through the receiver's hardware device. The
// device's own reports (byte 1 its index; the receiver's connection and unpair notifications are
// not the device's) come up as its Read, with set_own_index true and the receiver's `syserr` and
// `size`; writes of this device index come up as its Write. The connected state follows the
// receiver's connection notifications, which attach() turns on; the product ID is the one they
// carry. Bus type 1, bus index the device index, path the receiver's path, ":" and the slot.
//
// Threads: Read and Connect come from the receiver device's read thread, Write from the thread
// that wrote. Drop the last reference off that read thread (unplug the receiver device first when
// in doubt): leaving the receiver device's events there would wait for itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/Producer.h"
#include "sim/ReceiverHardwareDevice.h"

namespace devio::sim {

class PairedHardwareDevice final : public IHardwareDevice,
                                   public Producer<IHardwareDevice::Write>,
                                   public Producer<IHardwareDevice::Read>,
                                   public Producer<IHardwareDevice::Connect>,
                                   public std::enable_shared_from_this<PairedHardwareDevice> {
public:
    // How long attach waits for the receiver's announcement (scaled).
    static constexpr int64_t kAnnounceTimeoutMs = 3000;

    // The device with `device_index` (1 to the receiver's slot count) behind the receiver device,
    // which is opened. Turns on the receiver's connection notifications and asks it to announce
    // its paired devices; returns once it has, so that the connected state and the product ID are
    // known. Not to be called on the receiver device's read thread.
    static std::shared_ptr<PairedHardwareDevice>
    attach(std::shared_ptr<ReceiverHardwareDevice> receiver, int device_index);
    ~PairedHardwareDevice() override;

    // IHardwareDevice
    bool connected() const override { return connected_.load(); }
    [[nodiscard]] bool open() override { return true; }
    void close() override {}
    // Fails with NotConnected while the link is down.
    [[nodiscard]] bool write(std::vector<Byte> report, bool blocking) override;
    std::weak_ptr<IHardwareBus> bus() const override { return {}; }
    std::string path() const override;
    int pid() const override { return product_id_.load(); }
    std::string name() const override { return {}; }
    int slot_byte() const override { return 0; }
    int bus_type() const override;
    int bus_index() const override { return device_index_; }
    int extended_value() const override { return receiver_->extended_value(); }
    // False when the link went down after the last write.
    bool verify_connection_following_timeout() override;

private:
    class Listener;

    PairedHardwareDevice(std::shared_ptr<ReceiverHardwareDevice> receiver, int device_index);
    void announce();
    // From the receiver device, on its read thread and on the writing thread.
    void take_read(const Report& report, unsigned syserr, unsigned size);
    void take_write(const Report& report, ErrorCode code, unsigned syserr);
    void link_changed(bool established);

    const std::shared_ptr<ReceiverHardwareDevice> receiver_;
    const int device_index_;
    std::atomic<int> product_id_{0};
    std::atomic<bool> connected_{false};
    std::atomic<bool> disconnected_since_write_{false};
    // Not annotated: waited on through sys::Clock::wait_for, whose condition variable needs
    // std::unique_lock<std::mutex>.
    std::mutex announce_mutex_;
    std::condition_variable announced_changed_;
    bool announced_ = false; // guarded by announce_mutex_
    // Declared last, so that it leaves the receiver device's events before anything else goes.
    std::unique_ptr<Listener> listener_;
};

} // namespace devio::sim

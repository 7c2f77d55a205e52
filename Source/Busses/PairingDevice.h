// PairingDevice: the pairing bus's wrapper around every hardware device of the bus below. For a
// device that is not on Bluetooth it is transparent: it opens, closes, writes and verifies through
// the wrapped device, re-produces the wrapped device's Read, Write and Connect events as its own,
// and counts as always connected. It reports the wrapped device's identity, except that a device
// the Bluetooth bus recognised reports its Bluetooth bus type and address.
//
// Threads: the wrapped device's events arrive on its read and writing threads and are re-produced
// there; attach() runs on the thread of the bus's plug events while the application's thread may
// write. The wrapped device and the listening flags have a mutex, held only to read or change
// them, never while the wrapped device is called or an event is produced.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"

namespace devio {

class PairingBus;

class PairingDevice : public IHardwareDevice,
                      public Subscriber<IHardwareDevice::Read>,
                      public Subscriber<IHardwareDevice::Write>,
                      public Subscriber<IHardwareDevice::Connect>,
                      public Producer<IHardwareDevice::Connect>,
                      public Producer<IHardwareDevice::Read>,
                      public Producer<IHardwareDevice::Write>,
                      public std::enable_shared_from_this<PairingDevice> {
public:
    // `bluetooth_address` empty: the device is not on Bluetooth, `bluetooth_type` is ignored.
    PairingDevice(std::weak_ptr<PairingBus> bus, std::shared_ptr<IHardwareDevice> hardware,
                  std::string bluetooth_address = {}, int bluetooth_type = 0);
    ~PairingDevice() override;
    PairingDevice(const PairingDevice&) = delete;
    PairingDevice& operator=(const PairingDevice&) = delete;

    // The wrapped device, or null while there is none.
    std::shared_ptr<IHardwareDevice> hardware() const;
    // Takes `hardware` as the wrapped device when there is none; the one present stays (it holds
    // the open handle and the readers). True when `hardware` is the wrapped device afterwards.
    bool attach(const std::shared_ptr<IHardwareDevice>& hardware);
    bool is_bluetooth() const { return !bluetooth_address_.empty(); }
    const std::string& bluetooth_address() const { return bluetooth_address_; }

    // IHardwareDevice
    bool connected() const override;
    [[nodiscard]] bool open() override;
    void close() override;
    [[nodiscard]] bool write(std::vector<Byte> report, bool blocking) override;
    std::weak_ptr<IHardwareBus> bus() const override;
    std::string path() const override { return path_; }
    int pid() const override { return pid_; }
    std::string name() const override { return name_; }
    int slot_byte() const override;
    int bus_type() const override;
    int bus_index() const override;
    int extended_value() const override;
    bool verify_connection_following_timeout() override;
    int collection_size() const override;

protected:
    void onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr,
                unsigned size) override;
    void onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) override;
    void onConnect(std::shared_ptr<IHardwareDevice> device) override;
    void onDisconnect(std::shared_ptr<IHardwareDevice> device) override;

    // Our first subscriber of an event makes us listen to that event of the wrapped device; the
    // last reader to leave stops the reading.
    bool on_subscribe(IHardwareDevice::Read* subscriber) override;
    bool on_subscribe(IHardwareDevice::Write* subscriber) override;
    bool on_subscribe(IHardwareDevice::Connect* subscriber) override;
    using Producer<IHardwareDevice::Connect>::on_unsubscribe;
    using Producer<IHardwareDevice::Write>::on_unsubscribe;
    void on_unsubscribe(IHardwareDevice::Read* subscriber) override;

private:
    // What the device listens to on the wrapped device.
    struct Listening {
        bool read = false;
        bool write = false;
        bool connect = false;
    };
    // Subscribes to the wrapped device's events that `wanted` names.
    bool listen(const std::shared_ptr<IHardwareDevice>& hardware, Listening wanted);
    void leave(const std::shared_ptr<IHardwareDevice>& hardware);

    const std::weak_ptr<PairingBus> bus_;
    const std::string path_;
    const int pid_;
    const std::string name_;
    const std::string bluetooth_address_;
    const int bluetooth_type_;

    mutable std::mutex mutex_;
    std::shared_ptr<IHardwareDevice> hardware_; // guarded by mutex_
    Listening listening_;                       // guarded by mutex_
};

} // namespace devio

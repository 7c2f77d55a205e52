// TessalyBus: one wireless receiver, both a RAP device (the receiver itself, spoken to in RAP 1.0
// register commands to device index 0xFF) and a bus of the devices paired to it. It keeps one slot
// per pairing position, turns the receiver's connection notifications into TessalyDevice objects
// and PlugUnplug events, follows each paired device's link, hands each paired device the reports
// that carry its device index, and keeps the receiver's notification register 0x00 the way the
// library needs it even when other software overwrites it.
//
// The class is split over two files:
//   TessalyBus.cpp             construction, reports and link notifications, slots, IReceiver
//   TessalyBusEnumeration.cpp  register 0x00 and 0x03 upkeep, enumeration, session changes
//
// Threads: onRead and onWrite run on the receiver hardware device's read thread (direct
// delivery); devices() and the register operations on the caller's thread (the device manager's,
// or the run loop's), never on the read thread, since register commands are blocking writes. That
// is why the register-0x00 restore runs from the bus's own RegisterZeroOverwritten event, queued
// on the run loop. The slot table has its own mutex and the forced-arrival counts theirs; events
// are produced with neither held.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Busses/RAP10Command.h"
#include "Source/Contracts/IHardwareBus.h"
#include "Source/Contracts/IReceiver.h"
#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"
#include "Source/Rap/Device.h"

namespace devio {

class TessalyDevice;

class TessalyBus : public Device,
                   public IHardwareBus,
                   public IReceiver,
                   public Producer<IHardwareBus::PlugUnplug>,
                   public Producer<IReceiver::LockingChange>,
                   public Producer<IReceiver::RegisterZeroOverwritten>,
                   public Subscriber<IReceiver::RegisterZeroOverwritten> {
public:
    // Register 0x00, byte 1.
    static constexpr Byte kWirelessNotifications = 0x01;
    static constexpr Byte kSoftwarePresent = 0x08;
    // Forced-arrival runs of one enumeration when the receiver's count does not match.
    static constexpr int kEnumerationRuns = 3;

    // The device manager passes the slot count and protocol type of the receiver's kind, then
    // initialises the bus as a Device.
    static std::shared_ptr<TessalyBus> create(std::weak_ptr<IDeviceManager> manager,
                                              std::shared_ptr<IHardwareDevice> receiver,
                                              Byte protocol_type, int slot_count);
    TessalyBus(std::weak_ptr<IDeviceManager> manager, std::shared_ptr<IHardwareDevice> receiver,
               Byte protocol_type, int slot_count);
    ~TessalyBus() override;

    // IDevice: remembers the manager's active state, which decides whether the bus enumerates.
    void initDevice(std::shared_ptr<IDeviceManager> manager) override;
    // The receiver's shutdown: also withdraws the software-present bit this bus set.
    [[nodiscard]] bool shutdown() override;

    // IHardwareBus: the paired devices, found by a forced arrival run.
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override;

    // IReceiver
    std::vector<std::shared_ptr<IDevice>> paired_devices() override;
    [[nodiscard]] bool read_slot_bytes() override;
    bool is_listed_receiver_kind() override;
    [[nodiscard]] bool open_lock() override;
    [[nodiscard]] bool close_lock() override;
    [[nodiscard]] bool unpair(int device_index) override;

    // For the paired devices (TessalyDevice).
    bool set_software_present();
    bool set_slot_flag(int slot);
    bool clear_software_present();
    // The paired device's name, empty when it cannot be read.
    std::string devname(int slot);
    // Starts handing the receiver's writes to the paired devices.
    bool listen_to_receiver_writes();

    // value byte i = set[i] | (current[i] & ~clear[i]); only the read is sent when nothing would
    // change. CommandResponseTooShort for an answer shorter than a short report.
    bool short_register_bit_operation(Byte reg, RAP10Command::Value set, RAP10Command::Value clear);
    // Sets the wireless-notification bit of register 0x00 once.
    bool enable_receiver_notifications();

    int slot_count() const { return slot_count_; }
    // The device in a slot (0-based), or null.
    std::shared_ptr<TessalyDevice> device_in_slot(int slot) const;

protected:
    // Receiver reports and writes, on the read thread.
    void onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr,
                unsigned size) override;
    void onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) override;
    // Run loop: a new session re-enumerates the receiver.
    void onActiveChanged(bool active) override;
    // Run loop: another program wrote register 0x00.
    void onRegisterZeroOverwritten() override;

    using Producer<IReceiver::LockingChange>::on_subscribe;
    using Producer<IReceiver::RegisterZeroOverwritten>::on_subscribe;
    using Device::on_subscribe;
    bool on_subscribe(IHardwareBus::PlugUnplug* subscriber) override;

private:
    std::shared_ptr<TessalyBus> self();
    std::vector<std::shared_ptr<TessalyDevice>> present_devices() const;

    // The steps of onRead.
    void perform_arrival(int slot, int product_id, bool connected, bool forced);
    void perform_connect(int slot);
    void perform_disconnect(int slot);
    void perform_removal(int slot);
    void hand_to_paired_device(const std::vector<Byte>& report, unsigned syserr, unsigned size);

    std::vector<std::shared_ptr<IHardwareDevice>> internal_devices();
    // One forced arrival run; false when a register command failed.
    bool run_forced_arrival();
    void enable_register_zero_monitoring();
    // Register 0xB2 (open, close, unpair).
    bool connection_and_disconnection(RAP10Command::Value value);

    const Byte protocol_type_;
    const int slot_count_;

    mutable std::mutex slot_mutex_;
    std::vector<std::shared_ptr<TessalyDevice>> slots_; // guarded by slot_mutex_
    std::vector<Byte> slot_bytes_;                      // guarded by slot_mutex_

    std::atomic<bool> notifications_enabled_{false};
    std::atomic<bool> enumerating_{false};
    std::atomic<bool> shutting_down_{false};
    std::atomic<bool> software_present_set_{false};
    std::atomic<bool> monitoring_register_zero_{false};
    std::atomic<int> reported_count_{0};
    // The manager's active state as the receiver last followed it.
    std::atomic<bool> receiver_active_{true};

    std::mutex arrival_mutex_;
    std::map<int, int> arrival_counts_; // guarded by arrival_mutex_
};

} // namespace devio

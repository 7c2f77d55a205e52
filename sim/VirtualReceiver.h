// A receiver of one of the eight kinds, as the host sees it through its two HID collections: its
// RAP 1.0 registers, notifications and error answers, and the relaying of reports to and from the
// devices paired to it (byte 1 holds the device index, 1 to the number of slots).
//
// How a transport attaches: it installs a sink with set_sink and writes with host_write.
// - The sink receives every report towards the host, with the collection it arrives on (short
//   reports on Collection::Short, long ones on Collection::Long). It runs on the simulator thread
//   with the simulator lock held, so it must not wait for a thread that may be waiting for that
//   lock; queueing the report and returning is the intended use. (A thread that holds a lock the
//   sink takes may call host_write, but no other operation of the simulator.) After set_sink
//   returns, the old sink is no longer called.
// - host_write takes a whole output report of the collection (report id and length included). It
//   may be called on any thread, also from inside the sink, and never waits for the devices: the
//   receiver takes the report up after a short USB delay, on the simulator thread.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/AnswerFaults.h"
#include "sim/Collection.h"
#include "sim/RapReport.h"
#include "sim/ReceiverKind.h"
#include "sim/Scheduler.h"
#include "sim/WirelessDevice.h"

namespace devio::sim {

struct ReceiverTiming {
    Scheduler::Delay usb{250};    // a host write reaches the receiver
    Scheduler::Delay answer{250}; // the receiver answers a register command
    Scheduler::Delay radio{500};  // one hop between the receiver and a paired device
    std::chrono::milliseconds lock_timeout{30000}; // an open pairing lock closes by itself
};

// What the receiver holds, for tests and reports.
struct ReceiverState {
    struct Slot {
        bool paired = false;
        uint16_t product_id = 0;
        bool link_established = false;
        Byte slot_byte = 0;
    };
    ReceiverKind kind{};
    std::array<Byte, 3> register_zero{}; // notification flags
    Byte slot_flags = 0;                 // register 0x03
    bool lock_open = false;
    std::vector<Slot> slots; // slot 0 has device index 1
    uint64_t register_commands = 0;
};

class VirtualReceiver {
public:
    using Sink = std::function<void(Collection, const Report&)>;

    // Register 0x00, byte 1.
    static constexpr Byte kWirelessNotifications = 0x01;
    static constexpr Byte kSoftwarePresent = 0x08;
    // Lock states and error types of the lock-state notification (bytes 3 and 4).
    static constexpr Byte kLockClosed = 0x00;
    static constexpr Byte kLockOpen = 0x01;
    static constexpr Byte kLockNoError = 0x00;
    static constexpr Byte kLockTimeout = 0x01;

    VirtualReceiver(Scheduler& scheduler, const ReceiverKind& kind, ReceiverTiming timing = {});
    ~VirtualReceiver();
    VirtualReceiver(const VirtualReceiver&) = delete;
    VirtualReceiver& operator=(const VirtualReceiver&) = delete;

    const ReceiverKind& kind() const { return kind_; }
    uint16_t vendor_id() const { return kVarkonVendorId; }
    uint16_t product_id() const { return kind_.product_id; }
    std::string product_string() const { return "Tessaly Receiver"; }

    void set_sink(Sink sink);
    // False (last system error EINVAL) when the report does not have the collection's report id
    // and length, as the USB stack refuses such a write.
    bool host_write(Collection collection, const Report& report);

    // Pairing as done at the factory: the device takes the first free slot (pair) or the slot of
    // the given device index (pair_at). Returns the device index, or 0 when the slot is not free.
    int pair(std::shared_ptr<WirelessDevice> device);
    int pair_at(int device_index, std::shared_ptr<WirelessDevice> device);
    // A device that offers itself for pairing: accepted only while the pairing lock is open; the
    // lock closes afterwards. Returns the device index or 0.
    int offer_pairing(std::shared_ptr<WirelessDevice> device);
    void set_slot_byte(int device_index, Byte value);

    // Faults, counted over the register commands (device index 0xFF) from now.
    void drop_answer(unsigned nth);
    void delay_answer(unsigned nth, std::chrono::milliseconds extra);
    // Another program writes register 0x00 with `value`; every reader sees the write's echo.
    void overwrite_register_zero(std::array<Byte, 3> value = {});

    ReceiverState state() const;

private:
    class Slot;
    struct RegisterOutcome {
        std::vector<Report> before; // sent ahead of the answer
        std::optional<Report> answer;
        std::vector<Report> after; // sent once the answer is out
    };

    void take_host_report(const Report& report);
    void relay_to_device(const Report& report);
    void take_register_command(const Report& report);
    RegisterOutcome register_outcome(const Report& report);
    RegisterOutcome read_short_register(const Report& report);
    RegisterOutcome write_short_register(const Report& report);
    RegisterOutcome read_long_register(const Report& report);
    RegisterOutcome pairing_control(const Report& report);
    // Opens or closes the pairing lock; an open lock closes by itself after the lock timeout.
    void change_lock(bool open);
    void close_lock_with(Byte error_type);

    // From a slot's radio link.
    void relay_to_host(Byte index, const Report& report);
    void link_changed(Byte index, bool established, bool announce);

    int attach(int device_index, std::shared_ptr<WirelessDevice> device);
    Slot* slot(Byte device_index) const;
    bool notifications_enabled() const;
    Report connection_notification(const Slot& slot, bool established) const;
    Report lock_notification(Byte state, Byte error_type) const;
    // Register 0x02, byte 1: the devices connected to (paired with) the receiver.
    int connected_count() const;
    void send_up(Report report, Scheduler::Delay delay);
    void emit(Report report);

    ReceiverKind kind_;
    ReceiverTiming timing_;
    Sink sink_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::array<Byte, 3> register_zero_{};
    Byte slot_flags_ = 0;
    bool lock_open_ = false;
    uint64_t lock_generation_ = 0;
    AnswerFaults faults_;
    Scheduler::Group group_;
};

} // namespace devio::sim

#include "sim/VirtualReceiver.h"

#include <algorithm>
#include <cerrno>

#include "Source/System/SystemError.h"
#include "sim/DelayLedger.h"

namespace devio::sim {

namespace {

constexpr Byte kConnectionStateRegister = 0x02;
constexpr Byte kForcedArrival = 0x02;
constexpr Byte kNotificationFlagsRegister = 0x00;
constexpr Byte kSlotFlagsRegister = 0x03;
constexpr Byte kPairingControlRegister = 0xB2;
constexpr Byte kSlotBytesRegister = 0xB3;
constexpr Byte kDeviceNameRegister = 0xB5;
constexpr Byte kDeviceNameBase = 0x40; // parameter of 0xB5: 0x40 + slot number

constexpr Byte kOpenLock = 0x01;
constexpr Byte kCloseLock = 0x02;
constexpr Byte kUnpair = 0x03;
constexpr Byte kUnpairedReason = 0x02; // byte 3 of the unpair notification

} // namespace

// The receiver's end of one pairing slot.
class VirtualReceiver::Slot final : public RadioLink {
public:
    Slot(VirtualReceiver& receiver, Byte index) : receiver_(receiver), index_(index) {}

    void to_host(const Report& report) override { receiver_.relay_to_host(index_, report); }
    void link_changed(bool established, bool announce) override {
        receiver_.link_changed(index_, established, announce);
    }

    Byte index() const { return index_; }

    std::shared_ptr<WirelessDevice> device;
    Byte slot_byte = 0;

private:
    VirtualReceiver& receiver_;
    Byte index_;
};

VirtualReceiver::VirtualReceiver(Scheduler& scheduler, const ReceiverKind& kind,
                                 ReceiverTiming timing)
    : kind_(kind), timing_(timing), group_(scheduler) {
    for (int i = 0; i < kind_.slots; ++i) {
        slots_.push_back(std::make_unique<Slot>(*this, static_cast<Byte>(i + 1)));
    }
}

VirtualReceiver::~VirtualReceiver() {
    auto lock = group_.lock();
    group_.cancel();
    for (auto& slot : slots_) {
        if (slot->device) {
            slot->device->attach(nullptr);
        }
    }
}

void VirtualReceiver::set_sink(Sink sink) {
    auto lock = group_.lock();
    sink_ = std::move(sink);
}

bool VirtualReceiver::host_write(Collection collection, const Report& report) {
    CollectionInfo info = collection_info(collection);
    if (report.size() != info.report_length || report[0] != info.report_id) {
        sys::set_last_system_error(EINVAL);
        return false;
    }
    group_.post(timing_.usb, [this, report] { take_host_report(report); });
    return true;
}

int VirtualReceiver::pair(std::shared_ptr<WirelessDevice> device) {
    auto lock = group_.lock();
    for (auto& slot : slots_) {
        if (!slot->device) {
            return attach(slot->index(), std::move(device));
        }
    }
    return 0;
}

int VirtualReceiver::pair_at(int device_index, std::shared_ptr<WirelessDevice> device) {
    auto lock = group_.lock();
    if (device_index < 1 || device_index > kind_.slots) {
        return 0;
    }
    return attach(device_index, std::move(device));
}

int VirtualReceiver::offer_pairing(std::shared_ptr<WirelessDevice> device) {
    auto lock = group_.lock();
    if (!lock_open_) {
        return 0;
    }
    int index = pair(std::move(device));
    if (index != 0) {
        close_lock_with(kLockNoError);
    }
    return index;
}

void VirtualReceiver::set_slot_byte(int device_index, Byte value) {
    auto lock = group_.lock();
    if (Slot* s = slot(static_cast<Byte>(device_index)); s != nullptr) {
        s->slot_byte = value;
    }
}

void VirtualReceiver::drop_answer(unsigned nth) {
    auto lock = group_.lock();
    faults_.drop_answer(nth);
}

void VirtualReceiver::delay_answer(unsigned nth, std::chrono::milliseconds extra) {
    auto lock = group_.lock();
    faults_.delay_answer(nth, extra);
}

void VirtualReceiver::overwrite_register_zero(std::array<Byte, 3> value) {
    auto lock = group_.lock();
    register_zero_ = value;
    send_up(rap::short_report(rap::kOwnIndex, rap::kWriteShortRegister, kNotificationFlagsRegister),
            timing_.answer);
}

ReceiverState VirtualReceiver::state() const {
    auto lock = group_.lock();
    ReceiverState state;
    state.kind = kind_;
    state.register_zero = register_zero_;
    state.slot_flags = slot_flags_;
    state.lock_open = lock_open_;
    state.register_commands = faults_.commands();
    for (const auto& s : slots_) {
        ReceiverState::Slot entry;
        entry.paired = s->device != nullptr;
        entry.product_id = s->device ? s->device->wireless_product_id() : 0;
        entry.link_established = s->device && s->device->link_established();
        entry.slot_byte = s->slot_byte;
        state.slots.push_back(entry);
    }
    return state;
}

void VirtualReceiver::take_host_report(const Report& report) {
    if (report[1] == rap::kOwnIndex) {
        take_register_command(report);
    } else {
        relay_to_device(report);
    }
}

void VirtualReceiver::relay_to_device(const Report& report) {
    Byte index = report[1];
    Slot* target = slot(index);
    if (target == nullptr || !target->device) {
        send_up(rap::rap10_error(index, report[2], report[3], rap::Rap10Error::UnknownDevice),
                timing_.answer);
        return;
    }
    if (!target->device->link_established()) {
        send_up(rap::rap10_error(index, report[2], report[3], rap::Rap10Error::DeviceUnreachable),
                timing_.answer);
        return;
    }
    group_.post(timing_.radio, [this, index, device = target->device, report] {
        // The device may have been unpaired or gone out of reach while the report was on its way.
        Slot* s = slot(index);
        if (s != nullptr && s->device == device && device->link_established()) {
            device->from_host(report);
        }
    });
}

void VirtualReceiver::take_register_command(const Report& report) {
    AnswerFaults::Verdict verdict = faults_.next_command();
    RegisterOutcome outcome = register_outcome(report);
    for (auto& notification : outcome.before) {
        send_up(std::move(notification), timing_.answer);
    }
    if (outcome.answer && !verdict.drop) {
        send_up(std::move(*outcome.answer), timing_.answer + verdict.extra_delay);
    }
    for (auto& notification : outcome.after) {
        send_up(std::move(notification), timing_.answer);
    }
}

VirtualReceiver::RegisterOutcome VirtualReceiver::register_outcome(const Report& report) {
    switch (report[2]) {
    case rap::kReadShortRegister:
        return read_short_register(report);
    case rap::kWriteShortRegister:
        return write_short_register(report);
    case rap::kReadLongRegister:
        return read_long_register(report);
    case rap::kWriteLongRegister: // no long register of this receiver is writable
        return {
            {},
            rap::rap10_error(rap::kOwnIndex, report[2], report[3], rap::Rap10Error::InvalidAddress),
            {}};
    default: // a RAP 2.0 request or a sub-id the receiver does not know
        return {
            {},
            rap::rap10_error(rap::kOwnIndex, report[2], report[3], rap::Rap10Error::InvalidSubId),
            {}};
    }
}

VirtualReceiver::RegisterOutcome VirtualReceiver::read_short_register(const Report& report) {
    Byte reg = report[3];
    auto answer = [reg](Byte v0, Byte v1, Byte v2) {
        return rap::short_report(rap::kOwnIndex, rap::kReadShortRegister, reg, {v0, v1, v2});
    };
    switch (reg) {
    case kNotificationFlagsRegister:
        return {{}, answer(register_zero_[0], register_zero_[1], register_zero_[2]), {}};
    case kConnectionStateRegister:
        return {{}, answer(0, static_cast<Byte>(connected_count()), 0), {}};
    case kSlotFlagsRegister:
        return {{}, answer(slot_flags_, 0, 0), {}};
    default:
        return {{},
                rap::rap10_error(rap::kOwnIndex, report[2], reg, rap::Rap10Error::InvalidAddress),
                {}};
    }
}

VirtualReceiver::RegisterOutcome VirtualReceiver::write_short_register(const Report& report) {
    Byte reg = report[3];
    Report done = rap::short_report(rap::kOwnIndex, rap::kWriteShortRegister, reg);
    Report invalid_value =
        rap::rap10_error(rap::kOwnIndex, report[2], reg, rap::Rap10Error::InvalidValue);
    switch (reg) {
    case kNotificationFlagsRegister:
        // The answer goes to every reader of the collection, so other programs see the write.
        std::copy_n(report.begin() + 4, 3, register_zero_.begin());
        return {{}, done, {}};
    case kConnectionStateRegister: {
        if (report[4] != kForcedArrival) {
            return {{}, invalid_value, {}};
        }
        RegisterOutcome outcome{{}, done, {}};
        for (const auto& s : slots_) {
            if (s->device) {
                outcome.before.push_back(
                    connection_notification(*s, s->device->link_established()));
            }
        }
        return outcome;
    }
    case kSlotFlagsRegister:
        slot_flags_ = report[4];
        return {{}, done, {}};
    case kPairingControlRegister:
        return pairing_control(report);
    default:
        return {{},
                rap::rap10_error(rap::kOwnIndex, report[2], reg, rap::Rap10Error::InvalidAddress),
                {}};
    }
}

VirtualReceiver::RegisterOutcome VirtualReceiver::pairing_control(const Report& report) {
    Report done = rap::short_report(rap::kOwnIndex, rap::kWriteShortRegister, report[3]);
    Report invalid_value =
        rap::rap10_error(rap::kOwnIndex, report[2], report[3], rap::Rap10Error::InvalidValue);
    switch (report[4]) {
    case kOpenLock:
    case kCloseLock: {
        bool open = report[4] == kOpenLock;
        change_lock(open);
        return {{}, done, {lock_notification(open ? kLockOpen : kLockClosed, kLockNoError)}};
    }
    case kUnpair: {
        Slot* s = slot(report[5]);
        if (s == nullptr || !s->device) {
            return {{}, invalid_value, {}};
        }
        s->device->attach(nullptr);
        s->device.reset();
        return {{}, done, {rap::short_report(s->index(), rap::kDeviceUnpaired, kUnpairedReason)}};
    }
    default:
        return {{}, invalid_value, {}};
    }
}

VirtualReceiver::RegisterOutcome VirtualReceiver::read_long_register(const Report& report) {
    Byte reg = report[3];
    if (reg == kSlotBytesRegister) {
        std::vector<Byte> bytes;
        for (const auto& s : slots_) {
            bytes.push_back(s->slot_byte);
        }
        return {{}, rap::long_report(rap::kOwnIndex, rap::kReadLongRegister, reg, bytes), {}};
    }
    if (reg == kDeviceNameRegister) {
        Slot* s = report[4] >= kDeviceNameBase
                      ? slot(static_cast<Byte>(report[4] - kDeviceNameBase + 1))
                      : nullptr;
        if (s == nullptr || !s->device) {
            return {{},
                    rap::rap10_error(rap::kOwnIndex, report[2], reg, rap::Rap10Error::InvalidValue),
                    {}};
        }
        std::string name = s->device->paired_name();
        name.resize(std::min(name.size(), rap::kLongParameterCount - 2));
        std::vector<Byte> data(2 + name.size());
        data[0] = report[4];
        data[1] = static_cast<Byte>(name.size());
        std::copy(name.begin(), name.end(), data.begin() + 2);
        return {{}, rap::long_report(rap::kOwnIndex, rap::kReadLongRegister, reg, data), {}};
    }
    return {
        {}, rap::rap10_error(rap::kOwnIndex, report[2], reg, rap::Rap10Error::InvalidAddress), {}};
}

void VirtualReceiver::change_lock(bool open) {
    lock_open_ = open;
    ++lock_generation_;
    if (open) {
        group_.post(timing_.lock_timeout, [this, generation = lock_generation_] {
            if (lock_open_ && lock_generation_ == generation) {
                close_lock_with(kLockTimeout);
            }
        });
    }
}

void VirtualReceiver::close_lock_with(Byte error_type) {
    change_lock(false);
    send_up(lock_notification(kLockClosed, error_type), timing_.answer);
}

void VirtualReceiver::relay_to_host(Byte index, const Report& report) {
    Report up = report;
    if (up.size() < 2) {
        return;
    }
    up[1] = index;
    send_up(std::move(up), timing_.radio);
}

void VirtualReceiver::link_changed(Byte index, bool established, bool announce) {
    Slot* s = slot(index);
    if (s != nullptr && s->device && announce && notifications_enabled()) {
        send_up(connection_notification(*s, established), timing_.radio);
    }
}

int VirtualReceiver::attach(int device_index, std::shared_ptr<WirelessDevice> device) {
    Slot* s = slot(static_cast<Byte>(device_index));
    if (s == nullptr || s->device || !device) {
        return 0;
    }
    s->device = std::move(device);
    s->device->attach(s);
    if (notifications_enabled()) {
        send_up(connection_notification(*s, s->device->link_established()), timing_.radio);
    }
    return device_index;
}

VirtualReceiver::Slot* VirtualReceiver::slot(Byte device_index) const {
    if (device_index < 1 || device_index > slots_.size()) {
        return nullptr;
    }
    return slots_[device_index - 1].get();
}

bool VirtualReceiver::notifications_enabled() const {
    return (register_zero_[1] & kWirelessNotifications) != 0;
}

Report VirtualReceiver::connection_notification(const Slot& s, bool established) const {
    uint16_t pid = s.device->wireless_product_id();
    Byte flags = established ? 0 : rap::kLinkNotEstablished;
    return rap::short_report(s.index(), rap::kDeviceConnection, kind_.protocol_type,
                             {flags, static_cast<Byte>(pid & 0xFF), static_cast<Byte>(pid >> 8)});
}

Report VirtualReceiver::lock_notification(Byte state, Byte error_type) const {
    return rap::short_report(rap::kOwnIndex, rap::kLockState, state, {error_type});
}

int VirtualReceiver::connected_count() const {
    // Every paired device counts, reachable or not: the forced arrival announces each of them, and
    // a host compares the two numbers.
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(),
                                          [](const auto& s) { return s->device != nullptr; }));
}

void VirtualReceiver::send_up(Report report, Scheduler::Delay delay) {
    group_.post(delay, [this, report = std::move(report)]() mutable { emit(std::move(report)); });
}

void VirtualReceiver::emit(Report report) {
    if (report.size() > rap::kLongReportLength || !sink_) {
        return;
    }
    Collection collection =
        report.size() <= rap::kShortReportLength ? Collection::Short : Collection::Long;
    CollectionInfo info = collection_info(collection);
    report.resize(info.report_length, 0);
    report[0] = info.report_id;
    DelayLedger::reached_host();
    sink_(collection, report);
}

} // namespace devio::sim

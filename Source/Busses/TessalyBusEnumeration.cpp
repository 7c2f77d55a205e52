// The receiver's registers as the bus keeps them (notification flags in register 0x00, slot flags
// in register 0x03), the enumeration of the paired devices by forced arrival, and the fresh
// enumeration when the session becomes active.
#include "Source/Busses/TessalyBus.h"

#include "Source/Busses/TessalyDevice.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "TessalyBus";
constexpr Byte kNotificationFlagsRegister = 0x00;
constexpr Byte kSlotFlagsRegister = 0x03;

// The register value of a short register answer, bytes 4 to 6.
RAP10Command::Value value_of(const rap::Report& answer) {
    return {answer[4], answer[5], answer[6]};
}

} // namespace

bool TessalyBus::short_register_bit_operation(Byte reg, RAP10Command::Value set,
                                              RAP10Command::Value clear) {
    constexpr const char* kFunction = "devio::TessalyBus::short_register_bit_operation";
    xLogWrite(kTag, kLogInfo, kFunction,
              "TessalyBus::short_register_bit_operation(%02x: set %02x %02x %02x clear %02x %02x "
              "%02x ) enter",
              reg, set[0], set[1], set[2], clear[0], clear[1], clear[2]);
    // Both answers are short reports: exactly 7 bytes when whole.
    auto answered = [](bool ok, const rap::Report& answer) {
        if (!ok) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "TessalyBus::short_register_bit_operation exit (false, error)");
            return false;
        }
        if (answer.size() < rap::kShortReportLength) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "TessalyBus::short_register_bit_operation exit (false, "
                      "CommandResponseTooShort)");
            set_last_error(ErrorCode::CommandResponseTooShort);
            return false;
        }
        return true;
    };
    rap::Report answer;
    if (!answered(RAP10Command::read_short_register(*this, reg, answer), answer)) {
        return false;
    }
    const RAP10Command::Value current = value_of(answer);
    RAP10Command::Value wanted{};
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        wanted[i] = static_cast<Byte>(set[i] | (current[i] & ~clear[i]));
    }
    if (wanted == current) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::short_register_bit_operation exit (true, no change)");
        return true;
    }
    if (!answered(RAP10Command::write_short_register(*this, reg, wanted, answer), answer)) {
        return false;
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "TessalyBus::short_register_bit_operation exit (true, success)");
    return true;
}

bool TessalyBus::enable_receiver_notifications() {
    constexpr const char* kFunction = "devio::TessalyBus::enable_receiver_notifications";
    if (notifications_enabled_.load()) {
        return true;
    }
    enable_register_zero_monitoring();
    if (!short_register_bit_operation(kNotificationFlagsRegister,
                                      {0x00, kWirelessNotifications, 0x00}, {})) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::enable_receiver_notifications exit (false, error)");
        return false;
    }
    notifications_enabled_.store(true);
    xLogWrite(kTag, kLogInfo, kFunction,
              "TessalyBus::enable_receiver_notifications exit (true, success)");
    return true;
}

void TessalyBus::enable_register_zero_monitoring() {
    if (monitoring_register_zero_.exchange(true)) {
        return;
    }
    std::shared_ptr<TessalyBus> me = self();
    if (me == nullptr || !Subscriber<IReceiver::RegisterZeroOverwritten>::subscribe(
                             me, DeliverViaRunLoop, "TessalyBus::RegisterZeroOverwritten")) {
        xLogWrite(kTag, kLogWarning, "devio::TessalyBus::enable_register_zero_monitoring",
                  "TessalyBus::TessalyBus subscribe(IReceiver::RegisterZeroOverwritten) failed");
        monitoring_register_zero_.store(false);
    }
}

bool TessalyBus::set_software_present() {
    if (software_present_set_.load()) {
        return true;
    }
    enable_register_zero_monitoring();
    software_present_set_.store(true);
    if (!short_register_bit_operation(kNotificationFlagsRegister, {0x00, kSoftwarePresent, 0x00},
                                      {})) {
        // Not set after all: the next configured device asks again.
        software_present_set_.store(false);
        return false;
    }
    return true;
}

bool TessalyBus::clear_software_present() {
    shutting_down_.store(true);
    if (!software_present_set_.load()) {
        return true;
    }
    bool cleared = false;
    try {
        cleared = short_register_bit_operation(kNotificationFlagsRegister, {},
                                               {0x00, kSoftwarePresent, 0x00});
    } catch (...) {
        set_last_error(ErrorCode::GeneralFailure);
        cleared = false;
    }
    software_present_set_.store(false);
    return cleared;
}

bool TessalyBus::shutdown() {
    bool device_shut_down = Device::shutdown();
    return clear_software_present() && device_shut_down;
}

void TessalyBus::onRegisterZeroOverwritten() {
    constexpr const char* kFunction = "devio::TessalyBus::onRegisterZeroOverwritten";
    Byte bits = kWirelessNotifications;
    if (software_present_set_.load()) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::onRegisterZeroOverwritten() restoring software present and "
                  "wireless notifications bits");
        bits |= kSoftwarePresent;
    } else {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::onRegisterZeroOverwritten() no devices configured, so restoring "
                  "only wireless notifications bit");
    }
    if (!short_register_bit_operation(kNotificationFlagsRegister, {0x00, bits, 0x00}, {})) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::onRegisterZeroOverwritten error setting register");
    }
}

bool TessalyBus::set_slot_flag(int slot) {
    rap::Report answer;
    if (!RAP10Command::read_short_register(*this, kSlotFlagsRegister, answer)) {
        return false;
    }
    if (answer.size() < rap::kShortReportLength) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    RAP10Command::Value value = value_of(answer);
    value[0] = static_cast<Byte>(value[0] | (1U << slot));
    if (!RAP10Command::write_short_register(*this, kSlotFlagsRegister, value, answer)) {
        return false;
    }
    if (answer.size() < rap::kShortReportLength) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    return true;
}

bool TessalyBus::on_subscribe(IHardwareBus::PlugUnplug* /*subscriber*/) {
    constexpr const char* kFunction = "devio::TessalyBus::on_subscribe";
    xLogWrite(kTag, kLogInfo, kFunction, "TessalyBus::on_subscribe(this=%p)",
              static_cast<void*>(this));
    if (receiver_active_.load()) {
        return enable_receiver_notifications();
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "-- device is inactive, not enabling receiver_notifications yet");
    return true;
}

std::vector<std::shared_ptr<IHardwareDevice>> TessalyBus::devices() {
    return internal_devices();
}

std::vector<std::shared_ptr<IHardwareDevice>> TessalyBus::internal_devices() {
    constexpr const char* kFunction = "devio::TessalyBus::devices";
    xLogWrite(kTag, kLogInfo, kFunction, "TessalyBus::devices enter");
    if (!receiver_active_.load()) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::devices() - device is inactive. Not enumerating devices (we will "
                  "do that when we become active again).");
        return {};
    }
    if (!enable_receiver_notifications()) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::devices exit (failed to enable receiver notifications)");
        return {};
    }
    for (int run = 1; run <= kEnumerationRuns; ++run) {
        if (!run_forced_arrival()) {
            return {};
        }
        int arrived = 0;
        {
            std::lock_guard<std::mutex> lock(arrival_mutex_);
            arrived = static_cast<int>(arrival_counts_.size());
        }
        if (arrived == reported_count_.load()) {
            break;
        }
        xLogWrite(kTag, kLogWarning, kFunction,
                  "TessalyBus::devices() - %d devices reported by receiver but only %d arrival "
                  "reports received. Retrying.",
                  reported_count_.load(), arrived);
        if (std::shared_ptr<IDeviceManager> manager = this->manager().lock()) {
            set_last_error(ErrorCode::ArrivalCountMismatch, 0,
                           "Tessaly device arrival unique count mismatch");
            manager->report_unreported_error("TessalyBus");
        }
        if (run == 1) {
            notifications_enabled_.store(false);
            enable_receiver_notifications();
        }
    }
    std::vector<std::shared_ptr<IHardwareDevice>> result;
    for (std::shared_ptr<TessalyDevice>& device : present_devices()) {
        result.push_back(std::move(device));
    }
    if (result.empty()) {
        set_last_error(ErrorCode::NoError);
    }
    xLogWrite(kTag, kLogInfo, kFunction, "TessalyBus::devices exit (success, returning %d devices)",
              static_cast<int>(result.size()));
    return result;
}

bool TessalyBus::run_forced_arrival() {
    constexpr const char* kFunction = "devio::TessalyBus::devices";
    int count = 0;
    int second_value = 0;
    if (!RAP10Command::read_receiver_connection_state(this, count, second_value)) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::devices exit (failed to read receiver device count)");
        return false;
    }
    reported_count_.store(count);
    {
        std::lock_guard<std::mutex> lock(arrival_mutex_);
        arrival_counts_.clear();
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "TessalyBus::devices() - there are %d devices connected to the Tessaly receiver.",
              count);
    xLogWrite(kTag, kLogInfo, kFunction, "===> Starting receiver enumeration...");
    // The receiver sends its connection notifications before it answers; the read thread counts
    // them as forced arrivals while we wait here.
    enumerating_.store(true);
    bool ok = RAP10Command::set_receiver_connection_state(this, 0);
    enumerating_.store(false);
    if (!ok) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::devices exit (failed fake device arrival request)");
        return false;
    }
    xLogWrite(kTag, kLogInfo, kFunction, "===> ...receiver enumeration complete.");
    return true;
}

void TessalyBus::onActiveChanged(bool active) {
    constexpr const char* kFunction = "devio::TessalyBus::onActiveChanged";
    xLogWrite(kTag, kLogInfo, kFunction, "TessalyBus::onActiveChanged(active = %d)",
              active ? 1 : 0);
    const bool was_active = receiver_active_.exchange(active);
    Device::onActiveChanged(active);
    if (was_active || !active) {
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "  -- session has become active. Enumerating receiver again.");
    std::vector<std::shared_ptr<TessalyDevice>> saved_slots;
    {
        std::lock_guard<std::mutex> lock(slot_mutex_);
        saved_slots = slots_;
    }
    std::vector<std::shared_ptr<TessalyDevice>> before = present_devices();
    {
        std::lock_guard<std::mutex> lock(slot_mutex_);
        for (std::shared_ptr<TessalyDevice>& slot : slots_) {
            slot.reset();
        }
    }
    internal_devices();
    std::vector<std::shared_ptr<TessalyDevice>> after = present_devices();
    xLogWrite(kTag, kLogInfo, kFunction,
              "  -- before session active: %d devices paired. After session active: %d devices "
              "paired.",
              static_cast<int>(before.size()), static_cast<int>(after.size()));
    bool unchanged = before.size() == after.size();
    for (std::size_t i = 0; unchanged && i < before.size(); ++i) {
        unchanged = before[i]->pid() == after[i]->pid();
    }
    if (unchanged) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "  -- No devices have changed before session became active.");
        std::lock_guard<std::mutex> lock(slot_mutex_);
        slots_ = std::move(saved_slots);
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "  -- When session became active, we had no devices enumerated on the receiver,");
    xLogWrite(kTag, kLogInfo, kFunction,
              "  -- or the number/order of devices has changed (user in other session invoked "
              "pairing utility).");
    xLogWrite(kTag, kLogInfo, kFunction,
              "  -- We have to produce onPlug() events for all devices now.");
    for (const std::shared_ptr<TessalyDevice>& gone : before) {
        std::shared_ptr<IHardwareDevice> device = gone;
        Producer<IHardwareBus::PlugUnplug>::produce(
            [device](IHardwareBus::PlugUnplug* subscriber) { subscriber->onUnplug(device); },
            "TessalyBus::PlugUnplug::onUnplug");
    }
    for (const std::shared_ptr<TessalyDevice>& arrived : after) {
        std::shared_ptr<IHardwareDevice> device = arrived;
        Producer<IHardwareBus::PlugUnplug>::produce(
            [device](IHardwareBus::PlugUnplug* subscriber) { subscriber->onPlug(device); },
            "TessalyBus::PlugUnplug::onPlug");
    }
}

} // namespace devio

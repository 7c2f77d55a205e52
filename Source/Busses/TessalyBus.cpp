#include "Source/Busses/TessalyBus.h"

#include <algorithm>

#include "Source/Busses/ReceiverKinds.h"
#include "Source/Busses/TessalyDevice.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "TessalyBus";

// Byte 2 of the receiver's notifications.
constexpr Byte kDeviceConnection = 0x41;
constexpr Byte kDeviceUnpaired = 0x40;
constexpr Byte kUnpairedReason = 0x02;
constexpr Byte kLockState = 0x4A;
// Byte 4 of a connection notification: the link is not established.
constexpr Byte kLinkNotEstablished = 0x40;
constexpr Byte kNotificationFlagsRegister = 0x00;
constexpr Byte kPairingControlRegister = 0xB2;
constexpr Byte kSlotBytesRegister = 0xB3;
constexpr Byte kOpenLock = 0x01;
constexpr Byte kCloseLock = 0x02;
constexpr Byte kUnpair = 0x03;
// The receiver's long answer with the per-slot bytes in bytes 4 to 9.
constexpr std::size_t kSlotBytesAnswerMinimum = 10;
constexpr int kSlotBytesMaximum = 6;

std::atomic<int> g_instances{0};

} // namespace

std::shared_ptr<TessalyBus> TessalyBus::create(std::weak_ptr<IDeviceManager> manager,
                                               std::shared_ptr<IHardwareDevice> receiver,
                                               Byte protocol_type, int slot_count) {
    return std::make_shared<TessalyBus>(std::move(manager), std::move(receiver), protocol_type,
                                        slot_count);
}

TessalyBus::TessalyBus(std::weak_ptr<IDeviceManager> manager,
                       std::shared_ptr<IHardwareDevice> receiver, Byte protocol_type,
                       int slot_count)
    : Device(std::move(manager), std::move(receiver)), protocol_type_(protocol_type),
      slot_count_(std::max(slot_count, 0)), slots_(static_cast<std::size_t>(slot_count_)),
      slot_bytes_(static_cast<std::size_t>(slot_count_), 0) {
    xLogWrite(kTag, kLogInfo, "devio::TessalyBus::TessalyBus",
              "TessalyBus::TessalyBus(this = %p). Number of instances now: %d",
              static_cast<void*>(this), ++g_instances);
}

TessalyBus::~TessalyBus() {
    // Our own subscription cannot be left through a weak reference to ourselves any more; leaving
    // it directly also discards its queued events, which point at this object.
    Producer<IReceiver::RegisterZeroOverwritten>::unsubscribe(this);
    // The read thread calls us directly: leave the receiver before the slots go.
    Subscriber<IHardwareDevice::Read>::unsubscribe(hardware());
    Subscriber<IHardwareDevice::Write>::unsubscribe(hardware());
    xLogWrite(kTag, kLogInfo, "devio::TessalyBus::~TessalyBus",
              "TessalyBus::~TessalyBus(this = %p). Number of instances now: %d",
              static_cast<void*>(this), --g_instances);
}

std::shared_ptr<TessalyBus> TessalyBus::self() {
    return std::static_pointer_cast<TessalyBus>(weak_from_this().lock());
}

void TessalyBus::initDevice(std::shared_ptr<IDeviceManager> manager) {
    Device::initDevice(manager);
    receiver_active_.store(manager == nullptr || manager->is_active());
}

std::shared_ptr<TessalyDevice> TessalyBus::device_in_slot(int slot) const {
    std::lock_guard<std::mutex> lock(slot_mutex_);
    return slot >= 0 && slot < slot_count_ ? slots_[static_cast<std::size_t>(slot)] : nullptr;
}

std::vector<std::shared_ptr<TessalyDevice>> TessalyBus::present_devices() const {
    std::lock_guard<std::mutex> lock(slot_mutex_);
    std::vector<std::shared_ptr<TessalyDevice>> present;
    for (const std::shared_ptr<TessalyDevice>& device : slots_) {
        if (device != nullptr) {
            present.push_back(device);
        }
    }
    return present;
}

void TessalyBus::onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr,
                        unsigned size) {
    constexpr const char* kFunction = "devio::TessalyBus::onRead";
    if (report.size() >= rap::kShortReportLength) {
        const Byte index = report[1];
        const bool valid_index = index >= 1 && index <= slot_count_;
        if (report[2] == kDeviceConnection && report[3] == protocol_type_ && valid_index) {
            const int product_id = report[5] | (report[6] << 8);
            const bool connected = (report[4] & kLinkNotEstablished) == 0;
            xLogWrite(kTag, kLogInfo, kFunction,
                      "TessalyBus::onRead() connect(index = %d, qid=0x%04x, connected=%d)",
                      index - 1, product_id, connected ? 1 : 0);
            if (self() != nullptr) {
                perform_arrival(index - 1, product_id, connected, enumerating_.load());
            }
        }
        if (report[2] == kDeviceUnpaired && report[3] == kUnpairedReason && valid_index) {
            xLogWrite(kTag, kLogInfo, kFunction, "TessalyBus::onRead() disconnect(index = %d)",
                      index - 1);
            perform_removal(index - 1);
        }
        // A RAP 2.0 report of a paired device may use the same byte 2 for a feature index.
        if (report[2] == kLockState && index == rap::kOwnDeviceIndex) {
            std::shared_ptr<IDevice> receiver = self();
            auto state = static_cast<LockingChange::State>(report[3]);
            auto error = static_cast<LockingChange::ErrorType>(report[4]);
            Producer<IReceiver::LockingChange>::produce(
                [receiver, state, error](IReceiver::LockingChange* subscriber) {
                    subscriber->onLockingChange(receiver, state, error);
                },
                "IReceiver::LockingChange::onLockingChange");
        }
        if (index == rap::kOwnDeviceIndex && report[2] == RAP10Command::kWriteShortRegister &&
            report[3] == kNotificationFlagsRegister) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "TessalyBus::onRead() detected write to receiver register 0, other software "
                      "might have cleared software present and wireless notification bits");
            Producer<IReceiver::RegisterZeroOverwritten>::produce(
                [](IReceiver::RegisterZeroOverwritten* subscriber) {
                    subscriber->onRegisterZeroOverwritten();
                },
                "IReceiver::RegisterZeroOverwritten::onRegisterZeroOverwritten");
        }
        if (valid_index && report[2] != kDeviceUnpaired && report[2] != kDeviceConnection) {
            hand_to_paired_device(report, syserr, size);
        }
    }
    Device::onRead(std::move(report), set_own_index, syserr, size);
}

void TessalyBus::hand_to_paired_device(const std::vector<Byte>& report, unsigned syserr,
                                       unsigned size) {
    const int slot = report[1] - 1;
    std::shared_ptr<TessalyDevice> device = device_in_slot(slot);
    if (device == nullptr) {
        return;
    }
    device->take_read(report, syserr, size);
    if (device->connected()) {
        return;
    }
    if (report[2] == rap::kRap10ErrorSubId) {
        xLogWrite(kTag, kLogInfo, "devio::TessalyBus::onRead",
                  "Got error response from unconnected device... maybe some other SW tried to "
                  "talk to it and failed");
        return;
    }
    xLogWrite(kTag, kLogWarning, "devio::TessalyBus::onRead",
              "TessalyBus::onRead() device index: %d pid: 0x%x was in disconnected state but is "
              "sending reports. Firing connected event.",
              report[1], device->pid());
    perform_connect(slot);
}

void TessalyBus::onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) {
    if (report.size() > 1 && report[1] >= 1 && report[1] <= slot_count_) {
        if (std::shared_ptr<TessalyDevice> device = device_in_slot(report[1] - 1)) {
            device->take_write(report, code, syserr);
        }
    }
    Device::onWrite(std::move(report), code, syserr);
}

bool TessalyBus::listen_to_receiver_writes() {
    return Subscriber<IHardwareDevice::Write>::subscribe(hardware(), DeliverDirect,
                                                         "TessalyBus::ReceiverWrite");
}

void TessalyBus::perform_arrival(int slot, int product_id, bool connected, bool forced) {
    constexpr const char* kFunction = "devio::TessalyBus::perform_arrival";
    xLogWrite(kTag, kLogInfo, kFunction,
              "TessalyBus::perform_arrival(qid=%0x, connected=%d, fake_device_arrival=%d)",
              product_id, connected ? 1 : 0, forced ? 1 : 0);
    std::shared_ptr<TessalyDevice> occupant = device_in_slot(slot);
    if (occupant != nullptr && occupant->pid() != product_id) {
        xLogWrite(kTag, kLogInfo, kFunction, "  going to call perform_disconnect()");
        perform_disconnect(slot);
        xLogWrite(kTag, kLogInfo, kFunction, "  going to call perform_removal()");
        perform_removal(slot);
    }
    std::shared_ptr<TessalyDevice> created;
    {
        std::lock_guard<std::mutex> lock(slot_mutex_);
        std::shared_ptr<TessalyDevice>& entry = slots_[static_cast<std::size_t>(slot)];
        if (entry == nullptr) {
            entry = std::make_shared<TessalyDevice>(self(), slot, product_id, connected);
            entry->set_slot_byte(slot_bytes_[static_cast<std::size_t>(slot)]);
            created = entry;
        }
    }
    if (connected) {
        xLogWrite(kTag, kLogInfo, kFunction, "  going to call perform_connect()");
        perform_connect(slot);
    } else {
        xLogWrite(kTag, kLogInfo, kFunction, "  going to call perform_disconnect()");
        perform_disconnect(slot);
    }
    if (forced) {
        std::lock_guard<std::mutex> lock(arrival_mutex_);
        ++arrival_counts_[slot];
        xLogWrite(kTag, kLogInfo, kFunction, "   -- arrival count so far: %d",
                  static_cast<int>(arrival_counts_.size()));
    }
    if (created != nullptr && !forced) {
        std::shared_ptr<IHardwareDevice> device = created;
        Producer<IHardwareBus::PlugUnplug>::produce(
            [device](IHardwareBus::PlugUnplug* subscriber) { subscriber->onPlug(device); },
            "TessalyBus::PlugUnplug::onPlug");
    }
}

void TessalyBus::perform_connect(int slot) {
    constexpr const char* kFunction = "devio::TessalyBus::perform_connect";
    xLogWrite(kTag, kLogInfo, kFunction, "TessalyBus::perform_connect(index = %d)", slot);
    if (std::shared_ptr<TessalyDevice> device = device_in_slot(slot)) {
        device->processConnect();
    } else {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::perform_connect(index = %d) : no device at this index!", slot);
    }
}

void TessalyBus::perform_disconnect(int slot) {
    constexpr const char* kFunction = "devio::TessalyBus::perform_disconnect";
    xLogWrite(kTag, kLogInfo, kFunction, "TessalyBus::perform_disconnect(index = %d)", slot);
    if (std::shared_ptr<TessalyDevice> device = device_in_slot(slot)) {
        device->processDisconnect();
    } else {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::perform_disconnect(index = %d) : no device at this index!", slot);
    }
}

void TessalyBus::perform_removal(int slot) {
    std::shared_ptr<IHardwareDevice> removed;
    {
        std::lock_guard<std::mutex> lock(slot_mutex_);
        removed = std::move(slots_[static_cast<std::size_t>(slot)]);
        slots_[static_cast<std::size_t>(slot)].reset();
    }
    if (removed != nullptr) {
        Producer<IHardwareBus::PlugUnplug>::produce(
            [removed](IHardwareBus::PlugUnplug* subscriber) { subscriber->onUnplug(removed); },
            "TessalyBus::PlugUnplug::onUnplug");
    }
}

std::vector<std::shared_ptr<IDevice>> TessalyBus::paired_devices() {
    std::shared_ptr<IDeviceManager> manager = this->manager().lock();
    if (manager == nullptr) {
        return {};
    }
    return manager->devices_on_bus(self());
}

bool TessalyBus::read_slot_bytes() {
    rap::Report answer;
    if (!RAP10Command::read_long_register(*this, kSlotBytesRegister, {}, answer)) {
        return false;
    }
    if (answer.size() < kSlotBytesAnswerMinimum) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    std::vector<std::shared_ptr<TessalyDevice>> present;
    {
        std::lock_guard<std::mutex> lock(slot_mutex_);
        for (int slot = 0; slot < std::min(slot_count_, kSlotBytesMaximum); ++slot) {
            slot_bytes_[static_cast<std::size_t>(slot)] =
                answer[4 + static_cast<std::size_t>(slot)];
        }
        for (int slot = 0; slot < slot_count_; ++slot) {
            if (slots_[static_cast<std::size_t>(slot)] != nullptr) {
                slots_[static_cast<std::size_t>(slot)]->set_slot_byte(
                    slot_bytes_[static_cast<std::size_t>(slot)]);
            }
        }
    }
    return true;
}

bool TessalyBus::is_listed_receiver_kind() {
    return is_listed_receiver_product(pid());
}

bool TessalyBus::open_lock() {
    return connection_and_disconnection({kOpenLock, 0x00, 0x00});
}

bool TessalyBus::close_lock() {
    return connection_and_disconnection({kCloseLock, 0x00, 0x00});
}

bool TessalyBus::unpair(int device_index) {
    return connection_and_disconnection({kUnpair, static_cast<Byte>(device_index), 0x00});
}

bool TessalyBus::connection_and_disconnection(RAP10Command::Value value) {
    constexpr const char* kFunction = "devio::TessalyBus::RAP_DEVICE_CONNECTION_AND_DISCONNECTION";
    rap::Report answer;
    if (!RAP10Command::write_short_register(*this, kPairingControlRegister, value, answer)) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::RAP_DEVICE_CONNECTION_AND_DISCONNECTION exit (false, error)");
        return false;
    }
    if (answer.size() < rap::kShortReportLength) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyBus::RAP_DEVICE_CONNECTION_AND_DISCONNECTION exit (false, "
                  "CommandResponseTooShort)");
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    return true;
}

std::string TessalyBus::devname(int slot) {
    std::string name;
    if (!RAP10Command::read_receiver_paired_device_name(this, slot, name)) {
        xLogWrite(kTag, kLogError, "devio::TessalyBus::devname",
                  "TessalyBus::devices() failed to read device name.");
        return {};
    }
    return name;
}

} // namespace devio

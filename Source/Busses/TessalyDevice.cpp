#include "Source/Busses/TessalyDevice.h"

#include "Source/Busses/TessalyBus.h"
#include "Source/Contracts/BusType.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "TessalyDevice";

std::atomic<int> g_instances{0};

std::string path_of(const std::shared_ptr<TessalyBus>& bus, int slot) {
    std::string receiver = bus != nullptr ? bus->hardware()->path() : std::string();
    return receiver + ":" + std::to_string(slot);
}

} // namespace

TessalyDevice::TessalyDevice(const std::shared_ptr<TessalyBus>& bus, int slot, int product_id,
                             bool connected)
    : bus_(bus), slot_(slot), product_id_(product_id), path_(path_of(bus, slot)),
      connected_(connected) {
    xLogWrite(kTag, kLogInfo, "devio::TessalyDevice::TessalyDevice",
              "TessalyDevice::TessalyDevice(qid = %04x). Number of instances now: %d", product_id_,
              ++g_instances);
}

TessalyDevice::~TessalyDevice() {
    xLogWrite(kTag, kLogInfo, "devio::TessalyDevice::~TessalyDevice",
              "TessalyDevice::~TessalyDevice(qid = %04x). Number of instances now: %d", product_id_,
              --g_instances);
}

std::weak_ptr<IHardwareBus> TessalyDevice::bus() const {
    return std::weak_ptr<IHardwareBus>(bus_.lock());
}

int TessalyDevice::bus_type() const {
    return kBusTypeReceiver;
}

int TessalyDevice::extended_value() const {
    std::shared_ptr<TessalyBus> bus = bus_.lock();
    return bus != nullptr ? bus->hardware()->extended_value() : 0;
}

std::shared_ptr<TessalyBus> TessalyDevice::locked_bus(const char* message) const {
    std::shared_ptr<TessalyBus> bus = bus_.lock();
    if (bus == nullptr) {
        set_last_error(ErrorCode::DeviceRemoved, 0, message);
    }
    return bus;
}

bool TessalyDevice::write(std::vector<Byte> report, bool blocking) {
    constexpr const char* kFunction = "devio::TessalyDevice::write";
    if (report.size() < 2) {
        set_last_error(ErrorCode::WriteTooShort);
        return false;
    }
    report[1] = static_cast<Byte>(slot_ + 1);
    std::shared_ptr<TessalyBus> bus = locked_bus("TessalyDevice::write() device removed!");
    if (bus == nullptr) {
        return false;
    }
    if (!connected_.load()) {
        set_last_error(ErrorCode::NotConnected, 0, "TessalyDevice::write() not connected!");
        return false;
    }
    disconnected_since_last_write_.store(false);
    if (!bus->sendCommand(report, blocking)) {
        xLogWrite(kTag, kLogError, kFunction, "TessalyDevice::write() sbus->sendCommand failed!");
        return false;
    }
    return true;
}

std::string TessalyDevice::name() const {
    std::lock_guard<std::mutex> lock(name_mutex_);
    if (name_.empty()) {
        std::shared_ptr<TessalyBus> bus = locked_bus(nullptr);
        if (bus == nullptr) {
            return {};
        }
        name_ = bus->devname(slot_);
    }
    return name_;
}

bool TessalyDevice::verify_connection_following_timeout() {
    constexpr const char* kFunction = "devio::TessalyDevice::verify_connection_following_timeout";
    xLogWrite(kTag, kLogInfo, kFunction,
              "TessalyDevice::verify_connection_following_timeout() enter");
    if (disconnected_since_last_write_.load()) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "TessalyDevice::verify_connection_following_timeout() exit, returning false "
                  "(disconnected since last write)");
        return false;
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "TessalyDevice::verify_connection_following_timeout() exit, returning true");
    return true;
}

void TessalyDevice::processConnect() {
    constexpr const char* kFunction = "devio::TessalyDevice::processConnect";
    connected_.store(true);
    std::shared_ptr<IHardwareDevice> self = weak_from_this().lock();
    if (self == nullptr) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "-- not producing IHardwareDevice::Connect::onConnect(), no from_this");
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "-connect- qid %04x producing IHardwareDevice::onConnect()", product_id_);
    Producer<IHardwareDevice::Connect>::produce(
        [self](IHardwareDevice::Connect* subscriber) { subscriber->onConnect(self); },
        "TessalyDevice::Connect::onConnect");
}

void TessalyDevice::processDisconnect() {
    constexpr const char* kFunction = "devio::TessalyDevice::processDisconnect";
    connected_.store(false);
    disconnected_since_last_write_.store(true);
    std::shared_ptr<IHardwareDevice> self = weak_from_this().lock();
    if (self == nullptr) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "-- not producing IHardwareDevice::Connect::onDisconnect(), no from_this");
        return;
    }
    xLogWrite(kTag, kLogInfo, kFunction, "-- producing IHardwareDevice::Connect::onDisconnect()");
    Producer<IHardwareDevice::Connect>::produce(
        [self](IHardwareDevice::Connect* subscriber) { subscriber->onDisconnect(self); },
        "TessalyDevice::Connect::onDisconnect");
}

void TessalyDevice::take_read(const std::vector<Byte>& report, unsigned syserr, unsigned size) {
    Producer<IHardwareDevice::Read>::produce(
        [report, syserr, size](IHardwareDevice::Read* subscriber) {
            subscriber->onRead(report, true, syserr, size);
        },
        "TessalyDevice::Read::onRead");
}

void TessalyDevice::take_write(const std::vector<Byte>& report, ErrorCode code, unsigned syserr) {
    Producer<IHardwareDevice::Write>::produce(
        [report, code, syserr](IHardwareDevice::Write* subscriber) {
            subscriber->onWrite(report, code, syserr);
        },
        "TessalyDevice::Write::onWrite");
}

bool TessalyDevice::on_subscribe(IHardwareDevice::Write* /*subscriber*/) {
    std::shared_ptr<TessalyBus> bus = locked_bus("TessalyDevice::on_subscribe() device removed!");
    return bus != nullptr && bus->listen_to_receiver_writes();
}

bool TessalyDevice::set_software_present() {
    std::shared_ptr<TessalyBus> bus =
        locked_bus("TessalyDevice::set_software_present() device removed!");
    return bus != nullptr && bus->set_software_present();
}

bool TessalyDevice::set_slot_flag() {
    std::shared_ptr<TessalyBus> bus = locked_bus("TessalyDevice::set_slot_flag() device removed!");
    return bus != nullptr && bus->set_slot_flag(slot_);
}

bool TessalyDevice::clear_software_present() {
    std::shared_ptr<TessalyBus> bus =
        locked_bus("TessalyDevice::clear_software_present() device removed!");
    return bus != nullptr && bus->clear_software_present();
}

} // namespace devio

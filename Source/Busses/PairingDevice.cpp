#include "Source/Busses/PairingDevice.h"

#include "Source/Busses/PairingBus.h"
#include "Source/Contracts/BusType.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "PairingDevice";

} // namespace

PairingDevice::PairingDevice(std::weak_ptr<PairingBus> bus,
                             std::shared_ptr<IHardwareDevice> hardware,
                             std::string bluetooth_address, int bluetooth_type)
    : bus_(std::move(bus)), path_(hardware->path()), pid_(hardware->pid()), name_(hardware->name()),
      bluetooth_address_(std::move(bluetooth_address)), bluetooth_type_(bluetooth_type),
      hardware_(std::move(hardware)) {
    if (!is_bluetooth()) {
        xLogWrite(kTag, kLogDebug, "devio::PairingDevice::PairingDevice",
                  "device is not bluetooth so treating device the same as if bt_connected were "
                  "true");
    }
}

PairingDevice::~PairingDevice() {
    // The wrapped device's threads call us directly: leave it before our members go.
    leave(hardware());
}

std::shared_ptr<IHardwareDevice> PairingDevice::hardware() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hardware_;
}

bool PairingDevice::attach(const std::shared_ptr<IHardwareDevice>& hardware) {
    Listening wanted;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (hardware_ != nullptr) {
            return hardware_ == hardware;
        }
        hardware_ = hardware;
        wanted = listening_;
    }
    xLogWrite(kTag, kLogInfo, "devio::PairingDevice::attach",
              "PairingDevice::attach attaching hardware device for %s", path_.c_str());
    return listen(hardware, wanted);
}

std::weak_ptr<IHardwareBus> PairingDevice::bus() const {
    return std::weak_ptr<IHardwareBus>(bus_.lock());
}

bool PairingDevice::connected() const {
    if (!is_bluetooth()) {
        xLogWrite(kTag, kLogVerbose, "devio::PairingDevice::connected",
                  "PairingDevice::connected returning true (corded device always connected)");
        return true;
    }
    return hardware() != nullptr;
}

bool PairingDevice::open() {
    std::shared_ptr<IHardwareDevice> wrapped = hardware();
    if (wrapped == nullptr) {
        set_last_error(ErrorCode::NotConnected);
        xLogWrite(kTag, kLogInfo, "devio::PairingDevice::open",
                  "PairingDevice::open exit (false, no hardware device)");
        return false;
    }
    return wrapped->open();
}

void PairingDevice::close() {
    if (std::shared_ptr<IHardwareDevice> wrapped = hardware()) {
        wrapped->close();
    }
}

bool PairingDevice::write(std::vector<Byte> report, bool blocking) {
    std::shared_ptr<IHardwareDevice> wrapped = hardware();
    if (wrapped == nullptr) {
        set_last_error(ErrorCode::NotConnected);
        xLogWrite(kTag, kLogInfo, "devio::PairingDevice::write",
                  "PairingDevice::write no hardware device so returning NotConnected");
        return false;
    }
    return wrapped->write(std::move(report), blocking);
}

bool PairingDevice::verify_connection_following_timeout() {
    std::shared_ptr<IHardwareDevice> wrapped = hardware();
    return wrapped != nullptr && wrapped->verify_connection_following_timeout();
}

int PairingDevice::slot_byte() const {
    std::shared_ptr<IHardwareDevice> wrapped = hardware();
    return wrapped != nullptr ? wrapped->slot_byte() : 0;
}

int PairingDevice::bus_type() const {
    if (is_bluetooth()) {
        return bluetooth_type_;
    }
    std::shared_ptr<IHardwareDevice> wrapped = hardware();
    return wrapped != nullptr ? wrapped->bus_type() : kBusTypeDirectHid;
}

int PairingDevice::bus_index() const {
    std::shared_ptr<IHardwareDevice> wrapped = hardware();
    if (is_bluetooth()) {
        if (bluetooth_type_ != kBusTypeBleHid) {
            return 0;
        }
        return wrapped != nullptr && wrapped->bus_type() == kBusTypeBleGatt ? 2 : 1;
    }
    return wrapped != nullptr ? wrapped->bus_index() : 0;
}

int PairingDevice::extended_value() const {
    std::shared_ptr<IHardwareDevice> wrapped = hardware();
    return wrapped != nullptr ? wrapped->extended_value() : 0;
}

int PairingDevice::collection_size() const {
    std::shared_ptr<IHardwareDevice> wrapped = hardware();
    return wrapped != nullptr ? wrapped->collection_size() : kDefaultCollectionSize;
}

void PairingDevice::onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr,
                           unsigned size) {
    Producer<IHardwareDevice::Read>::produce(
        [report = std::move(report), set_own_index, syserr,
         size](IHardwareDevice::Read* subscriber) {
            subscriber->onRead(report, set_own_index, syserr, size);
        },
        "PairingDevice::Read::onRead");
}

void PairingDevice::onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) {
    Producer<IHardwareDevice::Write>::produce(
        [report = std::move(report), code, syserr](IHardwareDevice::Write* subscriber) {
            subscriber->onWrite(report, code, syserr);
        },
        "PairingDevice::Write::onWrite");
}

// Our subscribers know this device, not the one it wraps.
void PairingDevice::onConnect(std::shared_ptr<IHardwareDevice> /*device*/) {
    std::shared_ptr<IHardwareDevice> self = shared_from_this();
    Producer<IHardwareDevice::Connect>::produce(
        [self](IHardwareDevice::Connect* subscriber) { subscriber->onConnect(self); },
        "PairingDevice::Connect::onConnect");
}

void PairingDevice::onDisconnect(std::shared_ptr<IHardwareDevice> /*device*/) {
    std::shared_ptr<IHardwareDevice> self = shared_from_this();
    Producer<IHardwareDevice::Connect>::produce(
        [self](IHardwareDevice::Connect* subscriber) { subscriber->onDisconnect(self); },
        "PairingDevice::Connect::onDisconnect");
}

bool PairingDevice::listen(const std::shared_ptr<IHardwareDevice>& hardware, Listening wanted) {
    if (hardware == nullptr) {
        return true;
    }
    bool listening = true;
    if (wanted.read) {
        listening = Subscriber<IHardwareDevice::Read>::subscribe(hardware, DeliverDirect,
                                                                 "PairingDevice::Read") &&
                    listening;
    }
    if (wanted.write) {
        listening = Subscriber<IHardwareDevice::Write>::subscribe(hardware, DeliverDirect,
                                                                  "PairingDevice::Write") &&
                    listening;
    }
    if (wanted.connect) {
        listening = Subscriber<IHardwareDevice::Connect>::subscribe(hardware, DeliverDirect,
                                                                    "PairingDevice::Connect") &&
                    listening;
    }
    return listening;
}

void PairingDevice::leave(const std::shared_ptr<IHardwareDevice>& hardware) {
    if (hardware != nullptr) {
        Subscriber<IHardwareDevice::Read>::unsubscribe(hardware);
        Subscriber<IHardwareDevice::Write>::unsubscribe(hardware);
        Subscriber<IHardwareDevice::Connect>::unsubscribe(hardware);
    }
}

bool PairingDevice::on_subscribe(IHardwareDevice::Read* /*subscriber*/) {
    std::shared_ptr<IHardwareDevice> wrapped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        listening_.read = true;
        wrapped = hardware_;
    }
    const bool listening = listen(wrapped, {.read = true});
    xLogWrite(kTag, kLogInfo, "devio::PairingDevice::on_subscribe",
              "PairingDevice::on_subscribe Read exit, ret=%d", listening ? 1 : 0);
    return listening;
}

bool PairingDevice::on_subscribe(IHardwareDevice::Write* /*subscriber*/) {
    std::shared_ptr<IHardwareDevice> wrapped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        listening_.write = true;
        wrapped = hardware_;
    }
    return listen(wrapped, {.write = true});
}

bool PairingDevice::on_subscribe(IHardwareDevice::Connect* /*subscriber*/) {
    std::shared_ptr<IHardwareDevice> wrapped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        listening_.connect = true;
        wrapped = hardware_;
    }
    return listen(wrapped, {.connect = true});
}

void PairingDevice::on_unsubscribe(IHardwareDevice::Read* /*subscriber*/) {
    if (Producer<IHardwareDevice::Read>::subscriber_count() != 0) {
        return;
    }
    std::shared_ptr<IHardwareDevice> wrapped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        listening_.read = false;
        wrapped = hardware_;
    }
    if (wrapped != nullptr) {
        Subscriber<IHardwareDevice::Read>::unsubscribe(wrapped);
    }
}

} // namespace devio

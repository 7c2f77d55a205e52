#include "sim/PairedHardwareDevice.h"

#include "Source/Contracts/BusType.h"
#include "Source/Events/Subscriber.h"
#include "Source/Log/LastError.h"
#include "Source/System/Clock.h"

namespace devio::sim {

namespace {

constexpr Byte kNotificationFlagsRegister = 0x00;
constexpr Byte kConnectionStateRegister = 0x02;
constexpr Byte kWirelessNotifications = 0x01;
constexpr Byte kForcedArrival = 0x02;

bool answers_forced_arrival(const Report& report) {
    return report.size() >= 5 && report[1] == rap::kOwnIndex &&
           ((report[2] == rap::kWriteShortRegister && report[3] == kConnectionStateRegister) ||
            (report[2] == rap::kRap10Error && report[3] == rap::kWriteShortRegister &&
             report[4] == kConnectionStateRegister));
}

} // namespace

// Listens to the receiver device for its owner; its handlers run while the owner is alive, since
// it unsubscribes in its own destructor.
class PairedHardwareDevice::Listener final : public Subscriber<IHardwareDevice::Read>,
                                             public Subscriber<IHardwareDevice::Write> {
public:
    Listener(PairedHardwareDevice& owner, std::shared_ptr<ReceiverHardwareDevice> receiver)
        : owner_(owner), receiver_(std::move(receiver)) {}
    ~Listener() override {
        Subscriber<IHardwareDevice::Read>::unsubscribe(receiver_);
        Subscriber<IHardwareDevice::Write>::unsubscribe(receiver_);
    }

    void listen() {
        Subscriber<IHardwareDevice::Read>::subscribe(receiver_, DeliverDirect,
                                                     "PairedHardwareDevice::Read");
        Subscriber<IHardwareDevice::Write>::subscribe(receiver_, DeliverDirect,
                                                      "PairedHardwareDevice::Write");
    }

private:
    void onRead(std::vector<Byte> report, bool /*set_own_index*/, unsigned syserr,
                unsigned size) override {
        owner_.take_read(report, syserr, size);
    }
    void onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) override {
        owner_.take_write(report, code, syserr);
    }

    PairedHardwareDevice& owner_;
    const std::shared_ptr<ReceiverHardwareDevice> receiver_;
};

std::shared_ptr<PairedHardwareDevice>
PairedHardwareDevice::attach(std::shared_ptr<ReceiverHardwareDevice> receiver, int device_index) {
    std::shared_ptr<PairedHardwareDevice> device(
        new PairedHardwareDevice(std::move(receiver), device_index));
    device->announce();
    return device;
}

PairedHardwareDevice::PairedHardwareDevice(std::shared_ptr<ReceiverHardwareDevice> receiver,
                                           int device_index)
    : receiver_(std::move(receiver)), device_index_(device_index) {}

PairedHardwareDevice::~PairedHardwareDevice() {
    listener_.reset();
}

void PairedHardwareDevice::announce() {
    listener_ = std::make_unique<Listener>(*this, receiver_);
    listener_->listen();
    // The simulated receiver always opens, and a lost write only leaves the announcement out,
    // which the bounded wait below covers.
    static_cast<void>(receiver_->open());
    // As the receiver bus does: notifications on, then a forced arrival, which the receiver
    // answers once it has sent a connection notification for every paired device.
    static_cast<void>(
        receiver_->write({rap::kShortReportId, rap::kOwnIndex, rap::kWriteShortRegister,
                          kNotificationFlagsRegister, 0x00, kWirelessNotifications, 0x00},
                         false));
    static_cast<void>(
        receiver_->write({rap::kShortReportId, rap::kOwnIndex, rap::kWriteShortRegister,
                          kConnectionStateRegister, kForcedArrival, 0x00, 0x00},
                         false));
    std::unique_lock<std::mutex> lock(announce_mutex_);
    sys::Clock::wait_for(announced_changed_, lock, kAnnounceTimeoutMs, [&] { return announced_; });
}

std::string PairedHardwareDevice::path() const {
    return receiver_->path() + ":" + std::to_string(device_index_ - 1);
}

int PairedHardwareDevice::bus_type() const {
    return kBusTypeReceiver;
}

bool PairedHardwareDevice::verify_connection_following_timeout() {
    return !disconnected_since_write_.load();
}

bool PairedHardwareDevice::write(std::vector<Byte> report, bool blocking) {
    if (report.size() > 1) {
        report[1] = static_cast<Byte>(device_index_);
    }
    if (!connected_.load()) {
        set_last_error(ErrorCode::NotConnected, 0, "PairedHardwareDevice::write() not connected!");
        return false;
    }
    disconnected_since_write_.store(false);
    return receiver_->write(std::move(report), blocking);
}

void PairedHardwareDevice::take_read(const Report& report, unsigned syserr, unsigned size) {
    if (report.empty()) {
        // The receiver is gone, and the device with it.
        if (syserr == ReceiverHardwareDevice::kDeviceNotConnected && connected_.load()) {
            link_changed(false);
        }
        return;
    }
    if (answers_forced_arrival(report)) {
        {
            std::lock_guard<std::mutex> lock(announce_mutex_);
            announced_ = true;
        }
        announced_changed_.notify_all();
        return;
    }
    if (report.size() < rap::kShortReportLength || report[1] != device_index_) {
        return;
    }
    if (report[2] == rap::kDeviceConnection) {
        product_id_.store(report[5] | report[6] << 8);
        link_changed((report[4] & rap::kLinkNotEstablished) == 0);
        return;
    }
    if (report[2] == rap::kDeviceUnpaired) {
        link_changed(false);
        return;
    }
    Producer<IHardwareDevice::Read>::produce(
        [report, syserr, size](IHardwareDevice::Read* s) { s->onRead(report, true, syserr, size); },
        "PairedHardwareDevice::Read::onRead");
}

void PairedHardwareDevice::take_write(const Report& report, ErrorCode code, unsigned syserr) {
    if (report.size() > 1 && report[1] == device_index_) {
        Producer<IHardwareDevice::Write>::produce(
            [report, code, syserr](IHardwareDevice::Write* s) { s->onWrite(report, code, syserr); },
            "PairedHardwareDevice::Write::onWrite");
    }
}

void PairedHardwareDevice::link_changed(bool established) {
    if (!established) {
        disconnected_since_write_.store(true);
    }
    connected_.store(established);
    std::shared_ptr<IHardwareDevice> self = weak_from_this().lock();
    if (self == nullptr) {
        return;
    }
    if (established) {
        Producer<IHardwareDevice::Connect>::produce(
            [self](IHardwareDevice::Connect* s) { s->onConnect(self); },
            "PairedHardwareDevice::Connect::onConnect");
    } else {
        Producer<IHardwareDevice::Connect>::produce(
            [self](IHardwareDevice::Connect* s) { s->onDisconnect(self); },
            "PairedHardwareDevice::Connect::onDisconnect");
    }
}

} // namespace devio::sim

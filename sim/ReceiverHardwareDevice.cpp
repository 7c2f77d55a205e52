#include "sim/ReceiverHardwareDevice.h"

#include <cstdio>

#include "Source/Contracts/BusType.h"
#include "Source/Log/LastError.h"
#include "Source/System/SystemError.h"

namespace devio::sim {

namespace {

std::string default_path(uint16_t product_id) {
    char text[32];
    std::snprintf(text, sizeof text, "sim:/hid/receiver-%04x", product_id);
    return text;
}

} // namespace

std::shared_ptr<ReceiverHardwareDevice> ReceiverHardwareDevice::create(VirtualReceiver& receiver,
                                                                       std::string path) {
    std::shared_ptr<ReceiverHardwareDevice> device(
        new ReceiverHardwareDevice(receiver, std::move(path)));
    // The sink holds only the inbox, which outlives the device if need be.
    receiver.set_sink([inbox = device->inbox_](Collection collection, const Report& report) {
        inbox->take(collection, report);
    });
    return device;
}

ReceiverHardwareDevice::ReceiverHardwareDevice(VirtualReceiver& receiver, std::string path)
    : path_(path.empty() ? default_path(receiver.product_id()) : std::move(path)),
      product_id_(receiver.product_id()), name_(receiver.product_string()), receiver_(&receiver) {}

ReceiverHardwareDevice::~ReceiverHardwareDevice() {
    {
        std::lock_guard<std::mutex> lock(receiver_mutex_);
        if (receiver_ != nullptr) {
            receiver_->set_sink({});
        }
    }
    std::thread reader;
    {
        std::lock_guard<std::mutex> lock(inbox_->mutex);
        inbox_->stopping = true;
        inbox_->items.clear();
        reader = std::move(reader_);
    }
    inbox_->changed.notify_all();
    if (reader.joinable()) {
        // The read thread let the last reference go: it ends by itself without touching us.
        if (reader.get_id() == std::this_thread::get_id()) {
            reader.detach();
        } else {
            reader.join();
        }
    }
}

void ReceiverHardwareDevice::Inbox::take(Collection collection, const Report& report) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!reading || !open || removed || stopping) {
            return;
        }
        items.push_back(
            {report, 0, static_cast<unsigned>(collection_info(collection).report_length)});
    }
    changed.notify_all();
}

bool ReceiverHardwareDevice::open() {
    std::unique_lock<std::mutex> lock(inbox_->mutex);
    if (inbox_->removed) {
        set_last_error(ErrorCode::DeviceRemoved);
        return false;
    }
    inbox_->open = true;
    start_reading(lock);
    return true;
}

void ReceiverHardwareDevice::close() {
    std::lock_guard<std::mutex> lock(inbox_->mutex);
    if (!inbox_->removed) {
        inbox_->open = false;
        inbox_->items.clear();
    }
}

bool ReceiverHardwareDevice::on_subscribe(IHardwareDevice::Read* /*subscriber*/) {
    std::unique_lock<std::mutex> lock(inbox_->mutex);
    inbox_->subscribed = true;
    start_reading(lock);
    return true;
}

void ReceiverHardwareDevice::start_reading(std::unique_lock<std::mutex>& /*lock*/) {
    if (inbox_->reading || !inbox_->open || !inbox_->subscribed || inbox_->removed) {
        return;
    }
    inbox_->reading = true;
    reader_ = std::thread(read_loop, inbox_, weak_from_this());
    inbox_->reader = reader_.get_id();
}

bool ReceiverHardwareDevice::on_read_thread() const {
    std::lock_guard<std::mutex> lock(inbox_->mutex);
    return inbox_->reading && inbox_->reader == std::this_thread::get_id();
}

int ReceiverHardwareDevice::bus_type() const {
    return kBusTypeDirectHid;
}

bool ReceiverHardwareDevice::verify_connection_following_timeout() {
    std::lock_guard<std::mutex> lock(inbox_->mutex);
    return !inbox_->removed;
}

bool ReceiverHardwareDevice::fail_write(ErrorCode code, uint32_t syserr) {
    Producer<IHardwareDevice::Write>::produce(
        [code, syserr](IHardwareDevice::Write* s) { s->onWrite({}, code, syserr); },
        "ReceiverHardwareDevice::Write::onWrite");
    set_last_error(code, syserr);
    return false;
}

bool ReceiverHardwareDevice::write(std::vector<Byte> report, bool blocking) {
    if (!open()) {
        return fail_write(last_error().code);
    }
    if (report.empty()) {
        return fail_write(ErrorCode::WriteTooShort);
    }
    Collection collection =
        report.size() <= rap::kShortReportLength ? Collection::Short : Collection::Long;
    CollectionInfo info = collection_info(collection);
    if (report.size() > info.report_length) {
        return fail_write(ErrorCode::WriteExceedsCollectionSize);
    }
    if (blocking) {
        ErrorCode refused = ErrorCode::NoError;
        {
            std::lock_guard<std::mutex> lock(inbox_->mutex);
            if (!inbox_->reading) {
                refused = ErrorCode::CannotPerformWriteWithoutReadThreadRunning;
            } else if (inbox_->reader == std::this_thread::get_id()) {
                // The answer could only come from this very thread.
                refused = ErrorCode::CannotPerformBlockingWriteOnReadThread;
            }
        }
        if (refused != ErrorCode::NoError) {
            return fail_write(refused);
        }
    }
    report[0] = info.report_id;
    report.resize(info.report_length, 0);
    bool sent = false;
    uint32_t syserr = 0;
    {
        std::lock_guard<std::mutex> lock(receiver_mutex_);
        if (receiver_ != nullptr) {
            sent = receiver_->host_write(collection, report);
            syserr = sent ? 0 : sys::last_system_error();
        }
    }
    if (!sent) {
        return fail_write(syserr == 0 ? ErrorCode::DeviceRemoved : ErrorCode::WriteError, syserr);
    }
    Producer<IHardwareDevice::Write>::produce(
        [report](IHardwareDevice::Write* s) { s->onWrite(report, ErrorCode::NoError, 0); },
        "ReceiverHardwareDevice::Write::onWrite");
    return true;
}

void ReceiverHardwareDevice::unplug() {
    {
        std::lock_guard<std::mutex> lock(receiver_mutex_);
        if (receiver_ != nullptr) {
            receiver_->set_sink({});
            receiver_ = nullptr;
        }
    }
    std::thread reader;
    {
        std::lock_guard<std::mutex> lock(inbox_->mutex);
        if (inbox_->removed) {
            return;
        }
        inbox_->removed = true;
        // What was read before stays in order ahead of the failed read.
        if (inbox_->reading && inbox_->open) {
            inbox_->items.push_back({{}, kDeviceNotConnected, 0});
        }
        if (inbox_->reader != std::this_thread::get_id()) {
            reader = std::move(reader_);
        }
    }
    inbox_->changed.notify_all();
    if (reader.joinable()) {
        reader.join();
    }
}

void ReceiverHardwareDevice::read_loop(std::shared_ptr<Inbox> inbox,
                                       std::weak_ptr<ReceiverHardwareDevice> owner) {
    for (;;) {
        Inbox::Item item;
        {
            std::unique_lock<std::mutex> lock(inbox->mutex);
            inbox->changed.wait(
                lock, [&] { return inbox->stopping || inbox->removed || !inbox->items.empty(); });
            if (inbox->stopping || inbox->items.empty()) {
                return;
            }
            item = std::move(inbox->items.front());
            inbox->items.pop_front();
        }
        std::shared_ptr<ReceiverHardwareDevice> device = owner.lock();
        if (device == nullptr) {
            return;
        }
        device->Producer<IHardwareDevice::Read>::produce(
            [item](IHardwareDevice::Read* s) {
                s->onRead(item.report, false, item.syserr, item.size);
            },
            "ReceiverHardwareDevice::Read::onRead");
        // This may be the last reference: nothing of the device is touched afterwards.
        device.reset();
    }
}

} // namespace devio::sim

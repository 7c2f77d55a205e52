#include "Source/Busses/CombinerDevice.h"

#include "Source/Busses/CombinerBus.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "Devio";

} // namespace

CombinerDevice::CombinerDevice(std::weak_ptr<CombinerBus> bus,
                               const std::shared_ptr<IHardwareDevice>& first)
    : bus_(std::move(bus)), path_(first->group_key()), pid_(first->pid()), name_(first->name()),
      needed_(first->collections_needed()) {
    pieces_[first->collection_bit()] = first;
}

CombinerDevice::~CombinerDevice() {
    // The pieces' threads call us directly: leave them before our members go.
    for (const auto& [bit, piece] : pieces()) {
        Subscriber<IHardwareDevice::Read>::unsubscribe(piece);
        Subscriber<IHardwareDevice::Write>::unsubscribe(piece);
    }
}

CombinerDevice::Pieces CombinerDevice::pieces() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pieces_;
}

std::weak_ptr<IHardwareBus> CombinerDevice::bus() const {
    return std::weak_ptr<IHardwareBus>(bus_.lock());
}

bool CombinerDevice::whole() const {
    int got = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : pieces_) {
            got |= entry.first;
        }
    }
    const bool is_whole = (got & needed_) == needed_;
    xLogWrite(kTag, kLogInfo, "devio::CombinerDevice::whole",
              "CombinerDevice::whole = %d (need %d, got %d)", is_whole ? 1 : 0, needed_, got);
    return is_whole;
}

bool CombinerDevice::add_piece(const std::shared_ptr<IHardwareDevice>& piece) {
    constexpr const char* kFunction = "devio::CombinerDevice::add_piece";
    bool reading = false;
    bool logging_writes = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (pieces_.count(piece->collection_bit()) != 0) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "CombinerDevice::add_piece keeping existing piece");
            return true;
        }
        pieces_[piece->collection_bit()] = piece;
        reading = reading_;
        logging_writes = logging_writes_;
    }
    bool result = true;
    if (reading) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "CombinerDevice::add_piece reading, so subscribing to new piece");
        result = Subscriber<IHardwareDevice::Read>::subscribe(piece, DeliverDirect,
                                                              "CombinerDevice::PieceRead");
    }
    if (logging_writes) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "CombinerDevice::add_piece logging writes, so subscribing to new piece");
        result = Subscriber<IHardwareDevice::Write>::subscribe(piece, DeliverDirect,
                                                               "CombinerDevice::PieceWrite");
    }
    return result;
}

bool CombinerDevice::remove_piece(const std::shared_ptr<IHardwareDevice>& piece) {
    constexpr const char* kFunction = "devio::CombinerDevice::remove_piece";
    const std::string path = piece->path();
    std::shared_ptr<IHardwareDevice> stored;
    bool empty = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = pieces_.begin(); it != pieces_.end(); ++it) {
            if (it->second->path() == path) {
                stored = it->second;
                pieces_.erase(it);
                break;
            }
        }
        empty = pieces_.empty();
    }
    if (stored != nullptr) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "CombinerDevice::remove_piece erasing piece from device");
        // A gone piece must not keep delivering into us.
        Subscriber<IHardwareDevice::Read>::unsubscribe(stored);
        Subscriber<IHardwareDevice::Write>::unsubscribe(stored);
        stored->close();
    }
    xLogWrite(kTag, kLogInfo, kFunction, "CombinerDevice::remove_piece exit, is_empty=%d",
              empty ? 1 : 0);
    return empty;
}

bool CombinerDevice::open() {
    for (const auto& [bit, piece] : pieces()) {
        if (!piece->open()) {
            xLogWrite(kTag, kLogInfo, "devio::CombinerDevice::open",
                      "CombinerDevice::open exit (false, could not open a piece of device)");
            return false;
        }
    }
    xLogWrite(kTag, kLogInfo, "devio::CombinerDevice::open", "CombinerDevice::open exit (true)");
    return true;
}

void CombinerDevice::close() {
    for (const auto& [bit, piece] : pieces()) {
        piece->close();
    }
}

bool CombinerDevice::write(std::vector<Byte> report, bool blocking) {
    constexpr const char* kFunction = "devio::CombinerDevice::write";
    if (blocking && !open()) {
        xLogWrite(kTag, kLogInfo, kFunction, "CombinerDevice::write open failed");
        return false;
    }
    for (const auto& [bit, piece] : pieces()) {
        if (piece->collection_size() >= static_cast<int>(report.size())) {
            const bool written = piece->write(report, blocking);
            xLogWrite(kTag, kLogInfo, kFunction,
                      written ? "CombinerDevice::write exit (true, wrote to device)"
                              : "CombinerDevice::write exit (false, failed to write to device)");
            return written;
        }
    }
    set_last_error(ErrorCode::WriteExceedsCollectionSize);
    xLogWrite(kTag, kLogInfo, kFunction,
              "CombinerDevice::write exit (false, WriteExceedsCollectionSize)");
    return false;
}

bool CombinerDevice::verify_connection_following_timeout() {
    constexpr const char* kFunction = "devio::CombinerDevice::verify_connection_following_timeout";
    bool all = true;
    for (const auto& [bit, piece] : pieces()) {
        if (!piece->verify_connection_following_timeout()) {
            xLogWrite(kTag, kLogWarning, kFunction,
                      "CombinerDevice::verify_connection_following_timeout() returning false");
            all = false;
        }
    }
    xLogWrite(kTag, kLogInfo, kFunction,
              "CombinerDevice::verify_connection_following_timeout() exit, returning %d",
              all ? 1 : 0);
    return all;
}

void CombinerDevice::onRead(std::vector<Byte> report, bool set_own_index, unsigned syserr,
                            unsigned size) {
    xLogWrite(kTag, kLogVerbose, "devio::CombinerDevice::onRead",
              "CombinerDevice::onRead producing read event");
    Producer<IHardwareDevice::Read>::produce(
        [report = std::move(report), set_own_index, syserr,
         size](IHardwareDevice::Read* subscriber) {
            subscriber->onRead(report, set_own_index, syserr, size);
        },
        "CombinerDevice::Read::onRead");
}

void CombinerDevice::onWrite(std::vector<Byte> report, ErrorCode code, unsigned syserr) {
    Producer<IHardwareDevice::Write>::produce(
        [report = std::move(report), code, syserr](IHardwareDevice::Write* subscriber) {
            subscriber->onWrite(report, code, syserr);
        },
        "CombinerDevice::Write::onWrite");
}

bool CombinerDevice::on_subscribe(IHardwareDevice::Read* /*subscriber*/) {
    constexpr const char* kFunction = "devio::CombinerDevice::on_subscribe";
    Pieces current;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reading_ = true;
        current = pieces_;
    }
    for (const auto& [bit, piece] : current) {
        if (!Subscriber<IHardwareDevice::Read>::subscribe(piece, DeliverDirect,
                                                          "CombinerDevice::PieceRead")) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "CombinerDevice::on_subscribe exit (false, could not subscribe to read a "
                      "piece)");
            return false;
        }
        xLogWrite(kTag, kLogInfo, kFunction,
                  "CombinerDevice::on_subscribe successfully subscribed to read a piece");
    }
    return true;
}

void CombinerDevice::on_unsubscribe(IHardwareDevice::Read* /*subscriber*/) {
    constexpr const char* kFunction = "devio::CombinerDevice::on_unsubscribe";
    if (Producer<IHardwareDevice::Read>::subscriber_count() != 0) {
        xLogWrite(kTag, kLogInfo, kFunction,
                  "CombinerDevice::on_unsubscribe exit, still subscribers remaining");
        return;
    }
    Pieces current;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reading_ = false;
        current = pieces_;
    }
    for (const auto& [bit, piece] : current) {
        Subscriber<IHardwareDevice::Read>::unsubscribe(piece);
    }
}

bool CombinerDevice::on_subscribe(IHardwareDevice::Write* /*subscriber*/) {
    constexpr const char* kFunction = "devio::CombinerDevice::on_subscribe";
    Pieces current;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        logging_writes_ = true;
        current = pieces_;
    }
    for (const auto& [bit, piece] : current) {
        if (!Subscriber<IHardwareDevice::Write>::subscribe(piece, DeliverDirect,
                                                           "CombinerDevice::PieceWrite")) {
            xLogWrite(kTag, kLogInfo, kFunction,
                      "CombinerDevice::on_subscribe exit (false, could not subscribe to writes "
                      "from a piece)");
            return false;
        }
        xLogWrite(kTag, kLogInfo, kFunction,
                  "CombinerDevice::on_subscribe successfully subscribed to writes from a piece");
    }
    return true;
}

} // namespace devio

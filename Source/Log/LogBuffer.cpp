#include "Source/Log/LogBuffer.h"

#include <cstring>
#include <new>

#include "Source/Log/LogFile.h"

namespace devio {

std::unique_ptr<LogBuffer> LogBuffer::create(uint32_t entries, uint32_t text_size) {
    std::unique_ptr<LogEntry[]> slots(new (std::nothrow) LogEntry[entries]);
    std::unique_ptr<char[]> text(new (std::nothrow) char[text_size]);
    if (!slots || !text) {
        return nullptr;
    }
    return std::unique_ptr<LogBuffer>(
        new (std::nothrow) LogBuffer(entries, text_size, std::move(slots), std::move(text)));
}

LogBuffer::LogBuffer(uint32_t entries, uint32_t text_size, std::unique_ptr<LogEntry[]> slots,
                     std::unique_ptr<char[]> text)
    : entry_count_(entries), text_size_(text_size), slots_(std::move(slots)),
      text_(std::move(text)) {}

LogBuffer::Usage LogBuffer::usage_between(uint64_t read, uint64_t write) const {
    Usage used;
    used.entries = static_cast<uint32_t>(
        (uint64_t{entry_count_} - entry_of(read) + entry_of(write)) % entry_count_);
    used.text =
        static_cast<uint32_t>((uint64_t{text_size_} - text_of(read) + text_of(write)) % text_size_);
    return used;
}

LogBuffer::Usage LogBuffer::usage() const {
    return usage_between(read_position_.load(std::memory_order_acquire),
                         write_position_.load(std::memory_order_acquire));
}

LogBuffer::Reserve LogBuffer::reserve(uint32_t need, Reservation& reservation) {
    uint64_t write = write_position_.load(std::memory_order_acquire);
    for (;;) {
        if ((write & kClosedBit) != 0) {
            return Reserve::Closed;
        }
        const uint32_t slot = entry_of(write);
        const uint32_t offset = text_of(write);
        // A record's text is never split: when the end of the ring is too short, it is left
        // empty and the text starts again at offset 0.
        const uint32_t skip = text_size_ - offset < need ? text_size_ - offset : 0;
        const Usage used = usage_between(read_position_.load(std::memory_order_acquire), write);
        if (uint64_t{used.text} + skip + need + kTextReserve >= text_size_ ||
            used.entries >= entry_count_ - 2) {
            return Reserve::Overrun;
        }
        const uint64_t next =
            pack((slot + 1) % entry_count_,
                 static_cast<uint32_t>((uint64_t{offset} + skip + need) % text_size_));
        if (write_position_.compare_exchange_weak(write, next, std::memory_order_acq_rel,
                                                  std::memory_order_acquire)) {
            reservation = Reservation{slot, skip != 0 ? 0 : offset, skip};
            return Reserve::Reserved;
        }
    }
}

void LogBuffer::fill(const Reservation& reservation, const LogTimes& times, uint32_t thread_id,
                     int level, std::string_view tag, std::string_view function,
                     std::string_view message) {
    LogEntry& entry = slots_[reservation.slot];
    entry.skip = reservation.skip;
    entry.performance_time = times.performance_us;
    entry.wall_time = times.wall_us;
    entry.thread_id = thread_id;
    entry.level = level;
    entry.length = static_cast<uint32_t>(tag.size() + function.size() + message.size() + 5);
    char* out = text_.get() + reservation.text_offset;
    *out++ = '-';
    std::memcpy(out, tag.data(), tag.size());
    out += tag.size();
    *out++ = '-';
    *out++ = '\0';
    std::memcpy(out, function.data(), function.size());
    out += function.size();
    *out++ = '\0';
    std::memcpy(out, message.data(), message.size());
    out[message.size()] = '\0';
    entry.state.store(LogEntry::kFilled, std::memory_order_release);
}

LogBuffer::Output LogBuffer::output_oldest_entry(LogFile& file) {
    // Only the reader moves the read position.
    const uint64_t read = read_position_.load(std::memory_order_relaxed);
    const uint64_t write = write_position_.load(std::memory_order_acquire);
    const uint32_t slot = entry_of(read);
    if (slot == entry_of(write)) {
        return Output::None;
    }
    LogEntry& entry = slots_[slot];
    if (entry.state.exchange(LogEntry::kFree, std::memory_order_acq_rel) == LogEntry::kFree) {
        return Output::Busy; // reserved, its writer is still filling it
    }
    const uint32_t offset = entry.skip != 0 ? 0 : text_of(read);
    file.output_to_file(LogTimes{entry.performance_time, entry.wall_time}, entry.thread_id,
                        entry.level, std::string_view(text_.get() + offset, entry.length));
    const uint64_t next = pack(
        (slot + 1) % entry_count_,
        static_cast<uint32_t>((uint64_t{text_of(read)} + entry.skip + entry.length) % text_size_));
    read_position_.store(next, std::memory_order_release);
    return Output::Written;
}

bool LogBuffer::close_if_empty() {
    uint64_t write = write_position_.load(std::memory_order_acquire);
    if ((write & kClosedBit) != 0) {
        return true;
    }
    if (entry_of(read_position_.load(std::memory_order_relaxed)) != entry_of(write) ||
        !write_position_.compare_exchange_strong(write, write | kClosedBit,
                                                 std::memory_order_acq_rel)) {
        return false;
    }
    // No reservation can succeed any more and every reserved record has been read.
    slots_.reset();
    text_.reset();
    return true;
}

} // namespace devio

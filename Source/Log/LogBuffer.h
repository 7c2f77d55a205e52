// The file side of the diagnostic log: a lock-free ring of records that logging threads fill and a
// single low-priority log thread drains into the log file, so that logging never waits for the
// disk.
//
// A LogBuffer is one ring: an entry ring of LogEntry slots and a text ring of bytes, with a read
// and a write position that each pack (entry index, text offset) into one 64-bit atomic. Writers
// reserve a slot and its text by compare-and-exchange of the write position, fill the slot without
// a lock and publish it through the slot's state; the reader consumes slots strictly in
// reservation order. LogBuffer::Globals owns the rings of one log, the log thread, growth, overrun
// accounting and the switch to direct output at shutdown.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "Source/Log/LogTimes.h"

namespace devio {

class XLogCore;

class LogFile;

// One buffered record's slot.
struct LogEntry {
    // Bytes left empty at the end of the text ring before this record's text (which then starts at
    // offset 0).
    uint32_t skip = 0;
    uint64_t performance_time = 0;
    uint64_t wall_time = 0;
    uint32_t thread_id = 0;
    int32_t level = 0;
    // Length of the record text: "-tag-\0function\0message\0".
    uint32_t length = 0;
    // kFree (free or consumed) or kFilled.
    std::atomic<int32_t> state{1};

    static constexpr int32_t kFilled = 0;
    static constexpr int32_t kFree = 1;
};

class LogBuffer {
public:
    class Globals;

    // The first buffer of a log.
    static constexpr uint32_t kInitialEntries = 30000;
    static constexpr uint32_t kInitialTextSize = 3000000;
    // Space kept free in the text ring, so that a full ring never looks empty.
    static constexpr uint32_t kTextReserve = 100;

    struct Usage {
        uint32_t entries = 0;
        uint32_t text = 0;
    };

    struct Reservation {
        uint32_t slot = 0;
        uint32_t text_offset = 0; // where the record text goes
        uint32_t skip = 0;
    };

    enum class Reserve { Reserved, Overrun, Closed };
    // What one read step found: nothing to read, a record written, or the oldest slot reserved but
    // not yet filled by its writer.
    enum class Output { None, Written, Busy };

    // Shuts the process's log down (see Globals::shutdown); registered with the shutdown guard.
    static void shutdown();

    // Empty when the memory cannot be had.
    static std::unique_ptr<LogBuffer> create(uint32_t entries, uint32_t text_size);

    uint32_t entry_count() const { return entry_count_; }
    uint32_t text_size() const { return text_size_; }
    // Used slots and text bytes between the read and the write position.
    Usage usage() const;

    // Writer side: reserves a slot and `need` text bytes. Closed when the buffer has been retired
    // and emptied for good (the writer then uses the current buffer).
    Reserve reserve(uint32_t need, Reservation& reservation);
    // Fills the reserved slot and publishes it.
    void fill(const Reservation& reservation, const LogTimes& times, uint32_t thread_id, int level,
              std::string_view tag, std::string_view function, std::string_view message);

    // Reader side: writes the oldest record, if it has been filled, to `file`.
    Output output_oldest_entry(LogFile& file);
    // Closes an empty buffer against further reservations and frees its rings; false when a
    // writer still holds a reservation or a record is left.
    bool close_if_empty();

private:
    LogBuffer(uint32_t entries, uint32_t text_size, std::unique_ptr<LogEntry[]> slots,
              std::unique_ptr<char[]> text);

    static constexpr uint64_t kClosedBit = 1ULL << 63;
    static uint64_t pack(uint32_t entry, uint32_t text) {
        return static_cast<uint64_t>(entry) << 32 | text;
    }
    static uint32_t entry_of(uint64_t position) {
        return static_cast<uint32_t>(position >> 32) & 0x7FFFFFFFU;
    }
    static uint32_t text_of(uint64_t position) { return static_cast<uint32_t>(position); }
    Usage usage_between(uint64_t read, uint64_t write) const;

    const uint32_t entry_count_;
    const uint32_t text_size_;
    std::unique_ptr<LogEntry[]> slots_;
    std::unique_ptr<char[]> text_;
    alignas(64) std::atomic<uint64_t> read_position_{0};
    alignas(64) std::atomic<uint64_t> write_position_{0};
};

class LogBuffer::Globals {
public:
    // `log` formats the log's own messages; `file` receives the records; the first buffer gets
    // `first_size` slots and text bytes.
    Globals(XLogCore& log, LogFile& file, bool process_wide, Usage first_size);
    // Logs, shuts down (nothing the second time) and releases the buffers.
    ~Globals();
    Globals(const Globals&) = delete;
    Globals& operator=(const Globals&) = delete;

    // Step "file" of a logging call: hands the formatted message to the buffer (starting it on
    // first use) or, after shutdown, writes and flushes it at once. False on overrun.
    bool write(const LogTimes& times, int level, const char* tag, const char* function,
               std::string_view message);

    // Stops the log thread after it has written every pending record and switches to direct
    // output: every later record is written and flushed by its caller.
    void shutdown();
    // What destroying the Globals does, for the process's log that is never destroyed.
    void end_of_process();
    bool is_shut_down() const { return shutdown_.load(); }

    // Observers for tests and diagnostics.
    uint64_t pending() const { return pending_.load(); }
    uint64_t lost() const { return overruns_.load(); }
    // Entry count and text size of the current buffer (zeros before the first record).
    LogBuffer::Usage capacity() const;
    // Keeps the reader (log thread) from reading while the lock is held, so that tests can fill
    // the buffer deterministically.
    std::unique_lock<std::recursive_mutex> hold_reader() {
        return std::unique_lock<std::recursive_mutex>(output_mutex_);
    }

private:
    LogBuffer* start();
    // False when the record does not fit; `count_loss` counts it as lost.
    bool insert(const LogTimes& times, uint32_t thread_id, int level, std::string_view tag,
                std::string_view function, std::string_view message, bool count_loss = true);
    void write_direct(const LogTimes& times, uint32_t thread_id, int level, const char* tag,
                      const char* function, std::string_view message);
    void report_overruns();
    void wake_log_thread();
    // One read step over the retired buffers, oldest first, then the current buffer. The caller
    // takes what was written off the pending count.
    Output output_from_oldest_buffer();
    void grow(LogBuffer* current);
    // Writes every record that can be read now (the caller holds the output lock).
    void drain();
    void logthreadproc();

    XLogCore& log_;
    LogFile& file_;
    const bool process_wide_;
    const Usage first_size_;

    // Read by every logging call, rarely written.
    alignas(64) std::atomic<LogBuffer*> current_{nullptr};
    std::atomic<uint64_t> overruns_{0};
    std::atomic<bool> shutdown_{false};
    std::atomic<bool> thread_waiting_{false};
    // Written by every logging call: a cache line of its own.
    alignas(64) std::atomic<uint64_t> pending_{0};
    alignas(64) std::mutex mutex_;

    // mutex_ guards the log thread's wait and the thread object.
    std::condition_variable wake_;
    std::thread thread_;

    // The reader side: held by whoever reads the buffers or writes the file. Recursive, because
    // the reader logs about itself.
    std::recursive_mutex output_mutex_;
    std::unique_ptr<LogBuffer> current_owner_;
    std::vector<std::unique_ptr<LogBuffer>> retired_;
    // Emptied, closed buffers: their rings are freed, their positions stay for writers that still
    // hold a pointer to them.
    std::vector<std::unique_ptr<LogBuffer>> closed_;
    // A buffer that could not be replaced is not tried again.
    const LogBuffer* growth_failed_ = nullptr;
};

} // namespace devio

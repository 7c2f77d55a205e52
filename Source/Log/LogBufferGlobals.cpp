#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

#include "Source/Log/LogBuffer.h"
#include "Source/Log/LogFile.h"
#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/Log/XLogCore.h"
#include "Source/Log/XLogText.h"
#include "Source/Log/xLog.h"
#include "Source/System/Clock.h"

namespace devio {

namespace {

// Growth stops here, so that a runaway burst cannot take all memory.
constexpr uint32_t kMaxEntries = 1'000'000;
constexpr uint32_t kMaxTextSize = 100'000'000;
// The log thread flushes the file when the log has been idle this long.
constexpr int64_t kIdleFlushMs = 10000;
// Longest tag and function name kept in a record.
constexpr size_t kMaxNameLength = 512;

// Set while this thread reads the buffers: a message it logs meanwhile must not read them again.
thread_local int t_reading = 0;
// Set while this thread logs an overrun report: a lost report is not a lost message.
thread_local bool t_reporting = false;

struct ReadingScope {
    ReadingScope() { ++t_reading; }
    ~ReadingScope() { --t_reading; }
    ReadingScope(const ReadingScope&) = delete;
    ReadingScope& operator=(const ReadingScope&) = delete;
};

uint32_t current_thread_id() {
    thread_local const uint32_t id = static_cast<uint32_t>(gettid());
    return id;
}

uint32_t grown(uint32_t size, uint32_t factor, uint32_t limit) {
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{size} * factor, limit));
}

} // namespace

LogBuffer::Globals::Globals(XLogCore& log, LogFile& file, bool process_wide, Usage first_size)
    : log_(log), file_(file), process_wide_(process_wide), first_size_(first_size) {}

LogBuffer::Globals::~Globals() {
    end_of_process();
}

void LogBuffer::Globals::end_of_process() {
    log_.write("xlog", kLogInfo, "devio::LogBuffer::Globals::~Globals", "releasing log buffers");
    shutdown();
}

LogBuffer::Usage LogBuffer::Globals::capacity() const {
    const LogBuffer* buffer = current_.load(std::memory_order_acquire);
    return buffer != nullptr ? Usage{buffer->entry_count(), buffer->text_size()} : Usage{};
}

bool LogBuffer::Globals::write(const LogTimes& times, int level, const char* tag,
                               const char* function, std::string_view message) {
    const uint32_t thread_id = current_thread_id();
    std::string_view tag_text(tag != nullptr ? tag : "");
    std::string_view function_text(function != nullptr ? function : "");
    tag_text = tag_text.substr(0, kMaxNameLength);
    function_text = function_text.substr(0, kMaxNameLength);
    if (shutdown_.load(std::memory_order_acquire)) {
        // The reader's own messages queue up behind the records it is draining, so that the file
        // keeps their order.
        if (t_reading == 0 || current_.load(std::memory_order_acquire) == nullptr ||
            !insert(times, thread_id, level, tag_text, function_text, message, false)) {
            write_direct(times, thread_id, level, tag, function, message);
        }
        return true;
    }
    if (!insert(times, thread_id, level, tag_text, function_text, message)) {
        return false;
    }
    if (shutdown_.load(std::memory_order_acquire) && t_reading == 0) {
        // Shut down while this record went in: nobody else may read it.
        std::lock_guard<std::recursive_mutex> lock(output_mutex_);
        drain();
    }
    return true;
}

LogBuffer* LogBuffer::Globals::start() {
    std::lock_guard<std::recursive_mutex> lock(output_mutex_);
    if (LogBuffer* buffer = current_.load(std::memory_order_acquire)) {
        return buffer;
    }
    current_owner_ = LogBuffer::create(first_size_.entries, first_size_.text);
    LogBuffer* buffer = current_owner_.get();
    if (buffer == nullptr) {
        return nullptr;
    }
    current_.store(buffer, std::memory_order_release);
    bool started = false;
    {
        std::lock_guard<std::mutex> thread_lock(mutex_);
        if (!shutdown_.load()) {
            try {
                thread_ = std::thread(&Globals::logthreadproc, this);
                started = true;
            } catch (const std::system_error&) {
                // Without a thread the records wait for shutdown, which drains them.
            }
        }
    }
    if (started && process_wide_) {
        Vs2003SingletonThreadCleanup::instance().register_callback([this] { shutdown(); });
    }
    return buffer;
}

bool LogBuffer::Globals::insert(const LogTimes& times, uint32_t thread_id, int level,
                                std::string_view tag, std::string_view function,
                                std::string_view message, bool count_loss) {
    LogBuffer* buffer = current_.load(std::memory_order_acquire);
    count_loss = count_loss && !t_reporting;
    if (buffer == nullptr && (buffer = start()) == nullptr) {
        overruns_.fetch_add(count_loss ? 1 : 0);
        return false;
    }
    if (overruns_.load(std::memory_order_relaxed) != 0 && !t_reporting) {
        report_overruns();
    }
    const auto need = static_cast<uint32_t>(tag.size() + function.size() + message.size() + 5);
    Reservation reservation;
    for (;;) {
        Reserve result = buffer->reserve(need, reservation);
        if (result == Reserve::Reserved) {
            break;
        }
        if (result == Reserve::Overrun) {
            overruns_.fetch_add(count_loss ? 1 : 0);
            return false;
        }
        buffer = current_.load(std::memory_order_acquire); // retired and closed meanwhile
    }
    buffer->fill(reservation, times, thread_id, level, tag, function, message);
    pending_.fetch_add(1);
    wake_log_thread();
    return true;
}

void LogBuffer::Globals::wake_log_thread() {
    // Only an idle log thread needs waking; taking its mutex first makes sure that a thread that
    // is about to wait does not miss the call.
    if (thread_waiting_.load()) {
        std::lock_guard<std::mutex> lock(mutex_);
        wake_.notify_one();
    }
}

void LogBuffer::Globals::write_direct(const LogTimes& times, uint32_t thread_id, int level,
                                      const char* tag, const char* function,
                                      std::string_view message) {
    char record[xlog::kFormatBufferSize];
    size_t length =
        xlog::format_bounded(record, sizeof(record), "-%s-%c%s%c%.*s", tag != nullptr ? tag : "",
                             '\0', function != nullptr ? function : "", '\0',
                             static_cast<int>(message.size()), message.data());
    std::lock_guard<std::recursive_mutex> lock(output_mutex_);
    if (t_reading == 0) {
        drain(); // records still buffered come first
    }
    file_.output_to_file(times, thread_id, level, std::string_view(record, length));
    file_.flush("insert");
}

void LogBuffer::Globals::report_overruns() {
    uint64_t lost = overruns_.exchange(0);
    if (lost == 0) {
        return;
    }
    t_reporting = true;
    const bool reported =
        log_.write("xlog", kLogError, "devio::LogBuffer::report_overruns",
                   "xLog overrun detected by reader, lost %d messages around this time",
                   static_cast<int>(lost));
    t_reporting = false;
    if (!reported) {
        overruns_.fetch_add(lost);
    }
}

void LogBuffer::Globals::drain() {
    ReadingScope reading;
    uint64_t written = 0;
    for (Output output; (output = output_from_oldest_buffer()) != Output::None;) {
        if (output == Output::Written) {
            ++written;
        } else {
            std::this_thread::yield();
        }
    }
    pending_.fetch_sub(written);
}

LogBuffer::Output LogBuffer::Globals::output_from_oldest_buffer() {
    if (LogBuffer* current = current_.load(std::memory_order_acquire)) {
        grow(current);
    }
    // Records are written in the order they were buffered: the retired buffers first.
    while (retired_.size() > 1) {
        LogBuffer& oldest = *retired_.front();
        if (Output output = oldest.output_oldest_entry(file_); output != Output::None) {
            return output;
        }
        const Usage used = oldest.usage();
        if (!oldest.close_if_empty()) {
            return Output::Busy; // a writer still holds a reservation in it
        }
        log_.write("xlog", kLogInfo, "devio::LogBuffer::output_from_oldest_buffer",
                   "xLog deleting old log buffer containing %u/%u", used.entries, used.text);
        closed_.push_back(std::move(retired_.front()));
        retired_.erase(retired_.begin());
    }
    if (retired_.size() == 1) {
        if (Output output = retired_.front()->output_oldest_entry(file_); output != Output::None) {
            return output;
        }
    }
    LogBuffer* current = current_.load(std::memory_order_acquire);
    return current != nullptr ? current->output_oldest_entry(file_) : Output::None;
}

void LogBuffer::Globals::grow(LogBuffer* current) {
    const uint32_t entries = current->entry_count();
    const uint32_t text = current->text_size();
    const Usage used = current->usage();
    const uint32_t entry_factor = used.entries >= entries - entries / 3 * 2 ? 3 : 2;
    const uint32_t text_factor = used.text >= text - text / 3 * 2 ? 3 : 2;
    if (entry_factor == 2 && text_factor == 2) {
        return;
    }
    const uint32_t new_entries = grown(entries, entry_factor, kMaxEntries);
    const uint32_t new_text = grown(text, text_factor, kMaxTextSize);
    if ((new_entries == entries && new_text == text) || current == growth_failed_) {
        return; // at the limit, or this buffer could not be replaced before
    }
    report_overruns();
    std::unique_ptr<LogBuffer> fresh = LogBuffer::create(new_entries, new_text);
    LogBuffer* expected = current;
    if (!fresh || !current_.compare_exchange_strong(expected, fresh.get())) {
        growth_failed_ = current;
        log_.write("xlog", kLogError, "devio::LogBuffer::output_from_oldest_buffer",
                   "xLog logbuffer update failed");
        return;
    }
    retired_.push_back(std::move(current_owner_));
    current_owner_ = std::move(fresh);
    log_.write("xlog", kLogInfo, "devio::LogBuffer::output_from_oldest_buffer",
               "xLog enlarged buffer from %u/%u to %u/%u, currently using %u/%u", entries, text,
               new_entries, new_text, used.entries, used.text);
}

void LogBuffer::Globals::logthreadproc() {
    const char* where = "devio::LogBuffer::logthreadproc";
    // The lowest priority that still gets a share of a busy machine.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    bool flushed_before = false;
    for (;;) {
        // Records are taken off the pending count in batches, so that the reader does not share
        // the counter's cache line with the writers at every record.
        constexpr uint64_t kBatch = 256;
        uint64_t written = 0;
        Output output = Output::Written;
        {
            std::lock_guard<std::recursive_mutex> lock(output_mutex_);
            ReadingScope reading;
            while (written < kBatch && (output = output_from_oldest_buffer()) == Output::Written) {
                ++written;
            }
        }
        pending_.fetch_sub(written);
        if (output == Output::Written) {
            continue;
        }
        if (output == Output::Busy) {
            std::this_thread::yield();
            continue;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        if (shutdown_.load() && pending_.load() == 0) {
            break;
        }
        thread_waiting_.store(true);
        const bool woken = sys::Clock::wait_for(
            wake_, lock, kIdleFlushMs, [this] { return shutdown_.load() || pending_.load() != 0; });
        thread_waiting_.store(false);
        lock.unlock();
        if (woken) {
            continue;
        }
        {
            std::lock_guard<std::recursive_mutex> output_lock(output_mutex_);
            file_.flush("logthreadproc");
        }
        if (!flushed_before) {
            flushed_before = true;
            log_.write("xlog", kLogInfo, where, "First flush");
        }
    }
    log_.write("xlog", kLogInfo, where, "log thread exiting");
}

void LogBuffer::Globals::shutdown() {
    const char* where = "devio::LogBuffer::shutdown";
    if (shutdown_.exchange(true)) {
        log_.write("xlog", kLogInfo, where, "already shut down");
        return;
    }
    log_.write("xlog", kLogInfo, where, "_shutdown set to true");
    std::thread thread;
    {
        // The log thread is now either waiting or will see the flag before it waits.
        std::lock_guard<std::mutex> lock(mutex_);
        thread = std::move(thread_);
    }
    log_.write("xlog", kLogInfo, where, "notifying logging thread of shutdown");
    wake_.notify_all();
    if (thread.joinable()) {
        if (process_wide_) {
            Vs2003SingletonThreadCleanup::about_to_join();
        }
        log_.write("xlog", kLogInfo, where, "joining log thread");
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach(); // shut down from the log thread's own logging
        } else {
            thread.join();
        }
    }
    log_.write("xlog", kLogInfo, where, "freeing tag info");
    log_.release_tags();
    log_.write("xlog", kLogInfo, where, "logging is now direct to file, all tags enabled");
}

void LogBuffer::shutdown() {
    XLogCore::process().buffers().shutdown();
}

} // namespace devio

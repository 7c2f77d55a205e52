// The log file of one process: where it lives, how it is opened, and the file line format that the
// buffered records are written in. Used only under the log's output lock (LogBuffer::Globals).
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "Source/Log/LogTimes.h"

namespace devio {

class XLogCore;

class LogFile {
public:
    explicit LogFile(XLogCore& log) : log_(log) {}
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Creates and opens "xlog_<start>_<pid>_<process>_devio.dblog" (mode 0600, exclusively, never
    // through a symbolic link) in the log folder below `temp_path`, logging why when it cannot;
    // the log then goes on without a file.
    bool open(const std::string& temp_path, time_t start_time);
    bool is_open() const { return fp_ != nullptr; }
    const std::string& path() const { return path_; }

    // Writes one record, "-tag-\0function\0message\0", as one file line per line of its message.
    void output_to_file(const LogTimes& times, uint32_t thread_id, int level,
                        std::string_view record);
    // Flushes the file; `where` names the caller for the failure message.
    void flush(const char* where);
    // Closes the file for good after `operation` failed in `where`, and logs why.
    void LogFpErrorAndClose(const char* operation, const char* where);

private:
    void write_line(const LogTimes& times, uint32_t thread_id, int level, std::string_view tag,
                    std::string_view function, std::string_view text);
    // "%Y/%m/%d %H:%M:%S" of the wall time's second, kept for the next line of the same second.
    const char* local_time_text(uint64_t wall_seconds);

    XLogCore& log_;
    FILE* fp_ = nullptr;
    std::string path_;
    uint64_t cached_second_ = UINT64_MAX;
    char cached_time_[32] = {};
};

} // namespace devio

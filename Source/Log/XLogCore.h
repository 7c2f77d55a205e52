// One diagnostic log: its settings, the process identity it stamps, its filtering and its console
// lines. The process has one (behind xLogWrite); tests build their own from a setup of their own.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "Source/Log/LogBuffer.h"
#include "Source/Log/LogFile.h"
#include "Source/Log/LogTimes.h"
#include "Source/Log/XLogConfig.h"

namespace devio {

// What a log is built from.
struct XLogSetup {
    XLogConfig config;
    // The executable's path (the module path), at most 299 characters.
    std::string module_path;
    // The user's temporary folder, ending in '/': the log folder goes below it.
    std::string temp_path;
    // The process's own log registers its shutdown with the shutdown guard and consults the guard
    // before it joins its thread; a test's log does neither.
    bool process_wide = false;
    // Size of the first file buffer (tests make it small to reach growth and overrun quickly).
    uint32_t buffer_entries = LogBuffer::kInitialEntries;
    uint32_t buffer_text_size = LogBuffer::kInitialTextSize;

    // The process's setup: the per-user store's settings for this executable, its path and the
    // folder for the log (Paths::log_temp_path: $TMPDIR when set, else the per-user state folder).
    static XLogSetup for_process();
};

class XLogCore {
public:
    // Reads nothing further; when the log is enabled, runs its initialisation (header lines).
    explicit XLogCore(XLogSetup setup);
    XLogCore(const XLogCore&) = delete;
    XLogCore& operator=(const XLogCore&) = delete;

    // xLogWrite for this log.
    bool write(const char* tag, int level, const char* function, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    bool vwrite(const char* tag, int level, const char* function, const char* format,
                va_list arguments) __attribute__((format(printf, 5, 0)));

    // The process's log, set up by its first use.
    static XLogCore& process();

    const XLogConfig& config() const { return config_; }
    const std::string& temp_path() const { return setup_.temp_path; }
    LogFile& file() { return file_; }
    LogBuffer::Globals& buffers() { return buffers_; }
    // From now on tags no longer filter the console outputs (the log has been shut down).
    void release_tags() { tags_released_.store(true); }
    const std::string& process_name() const { return process_name_; }
    uint32_t process_id() const { return process_id_; }

    // Letters and digits of the module path's file name before its first '.', at most 19.
    static std::string process_name_of(std::string_view module_path);

private:
    // The levels the filter compares with; the header's key lines pretend both are 2.
    struct Levels {
        int console;
        int file;
    };

    bool write_at(Levels levels, const char* tag, int level, const char* function,
                  const char* format, ...) __attribute__((format(printf, 6, 7)));
    bool vwrite_at(Levels levels, const char* tag, int level, const char* function,
                   const char* format, va_list arguments) __attribute__((format(printf, 6, 0)));
    void write_console(int level, const char* function, std::string_view message) const;
    void initialise();

    const XLogConfig config_;
    const XLogSetup setup_;
    std::string process_name_;
    uint32_t process_id_ = 0;
    std::atomic<bool> tags_released_{false};
    LogFile file_;
    LogBuffer::Globals buffers_;
};

} // namespace devio

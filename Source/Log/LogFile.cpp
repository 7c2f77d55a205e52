#include "Source/Log/LogFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Source/Log/XLogCore.h"
#include "Source/Log/XLogPlatformSpecific.h"
#include "Source/Log/XLogText.h"
#include "Source/Log/xLog.h"
#include "Source/System/SecureFolder.h"

namespace devio {

namespace {

constexpr const char* kNamespace = "devio";

// Splits "-tag-\0function\0message\0" into its three parts; missing parts stay empty.
void split_record(std::string_view record, std::string_view& tag, std::string_view& function,
                  std::string_view& message) {
    size_t first = record.find('\0');
    tag = record.substr(0, first);
    if (first == std::string_view::npos) {
        return;
    }
    record.remove_prefix(first + 1);
    size_t second = record.find('\0');
    function = record.substr(0, second);
    if (second == std::string_view::npos) {
        return;
    }
    record.remove_prefix(second + 1);
    message = record.substr(0, record.find('\0'));
}

// The name holds the start time and the process id, so the file is normally new and is created
// exclusively. A second log of the same process in the same second appends to the first one's file,
// but only to a regular file of the user's own with no other name; nothing is written through a
// link.
FILE* open_new_or_own(const std::string& path) {
    int fd = sys::SecureFolder::open_file(path, O_WRONLY | O_APPEND | O_CREAT | O_EXCL, 0600);
    if (fd < 0 && errno == EEXIST) {
        fd = sys::SecureFolder::open_file(path, O_WRONLY | O_APPEND);
        struct stat info {};
        if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
                        info.st_uid != geteuid() || info.st_nlink != 1)) {
            ::close(fd);
            fd = -1;
        }
    }
    FILE* file = fd >= 0 ? fdopen(fd, "a") : nullptr;
    if (file == nullptr && fd >= 0) {
        ::close(fd);
    }
    return file;
}

} // namespace

LogFile::~LogFile() {
    if (fp_ != nullptr) {
        std::fclose(fp_);
    }
}

bool LogFile::open(const std::string& temp_path, time_t start_time) {
    std::string folder = XLogPlatformSpecific::log_folder(temp_path);
    if (folder.empty()) {
        log_.write("xlog", kLogError, "devio::xLogInit", "Could not get path for log files");
        return false;
    }
    path_ = folder + XLogPlatformSpecific::log_file_name(start_time, log_.process_id(),
                                                         log_.process_name(), kNamespace);
    // Appending, and closed on exec so that child processes do not inherit it.
    fp_ = open_new_or_own(path_);
    if (fp_ == nullptr) {
        log_.write("xlog", kLogError, "devio::xLogInit", "Could not create log file %s",
                   path_.c_str());
        path_.clear();
        return false;
    }
    return true;
}

void LogFile::output_to_file(const LogTimes& times, uint32_t thread_id, int level,
                             std::string_view record) {
    if (fp_ == nullptr) {
        return;
    }
    std::string_view tag, function, message;
    split_record(record, tag, function, message);
    size_t prefix = 0;
    std::string_view own = xlog::own_tag(message, &prefix);
    if (!own.empty()) {
        tag = message.substr(0, own.size() + 2);
        message.remove_prefix(prefix);
    }
    std::string_view name = xlog::trim_function_name(function);
    message = xlog::strip_function_repetition(name, message);
    if (message.ends_with('\n')) {
        message.remove_suffix(1);
    }
    // One file line per message line; continuation lines show ">" for the function.
    for (bool first = true; fp_ != nullptr; first = false) {
        size_t newline = message.find('\n');
        write_line(times, thread_id, level, tag, first ? name : std::string_view(">"),
                   message.substr(0, newline));
        if (newline == std::string_view::npos) {
            break;
        }
        message.remove_prefix(newline + 1);
    }
}

void LogFile::write_line(const LogTimes& times, uint32_t thread_id, int level, std::string_view tag,
                         std::string_view function, std::string_view text) {
    const uint64_t wall_seconds = times.wall_us / 1'000'000;
    char line[xlog::kFormatBufferSize];
    xlog::format_bounded(
        line, sizeof(line), "%llu.%06u\t%s.%03u\t%d\t<%05d>.%s.%s\t%d\t%-20.*s\t%.*s %.*s\n",
        static_cast<unsigned long long>(times.performance_us / 1'000'000),
        static_cast<unsigned>(times.performance_us % 1'000'000), local_time_text(wall_seconds),
        static_cast<unsigned>(times.wall_us / 1000 % 1000), static_cast<int>(log_.process_id()),
        static_cast<int>(thread_id), kNamespace, log_.process_name().c_str(), level,
        static_cast<int>(tag.size()), tag.data(), static_cast<int>(function.size()),
        function.data(), static_cast<int>(text.size()), text.data());
    if (std::fputs(line, fp_) == EOF) {
        LogFpErrorAndClose("fputs", "output_to_file");
    }
}

const char* LogFile::local_time_text(uint64_t wall_seconds) {
    if (wall_seconds != cached_second_) {
        time_t seconds = static_cast<time_t>(wall_seconds);
        tm local{};
        localtime_r(&seconds, &local);
        std::strftime(cached_time_, sizeof(cached_time_), "%Y/%m/%d %H:%M:%S", &local);
        cached_second_ = wall_seconds;
    }
    return cached_time_;
}

void LogFile::flush(const char* where) {
    if (fp_ != nullptr && std::fflush(fp_) != 0) {
        LogFpErrorAndClose("fflush", where);
    }
}

void LogFile::LogFpErrorAndClose(const char* operation, const char* where) {
    const int error = errno;
    FILE* fp = fp_;
    // Marked closed first: the messages below must not try to reach this file again.
    fp_ = nullptr;
    const int close_result = fp != nullptr ? std::fclose(fp) : 0;
    const int close_error = errno;
    log_.write("xlog", kLogError, "devio::LogFpErrorAndClose", "%s failed in %s, errno=%d",
               operation, where, error);
    if (close_result != 0) {
        log_.write("xlog", kLogError, "devio::LogFpErrorAndClose",
                   "fclose failed after %s failure in %s, errno=%d", operation, where, close_error);
    }
}

} // namespace devio

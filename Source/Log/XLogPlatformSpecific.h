// The log files' folder below the user's temporary folder, their names, and the purge of old log
// files of this program.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace devio {

class XLogCore;

class XLogPlatformSpecific {
public:
    // The longest temporary path that the log folder may be made below.
    static constexpr size_t kMaxTempPath = 289;
    // A file this many days older than the newest log file of the program is purged.
    static constexpr int64_t kPurgeAgeDays = 7;

    // `temp_path` + "xlog_varkon/", created (mode 0700) when missing; empty when the path is too
    // long, or the folder cannot be made or fails SecureFolder's check (reported there).
    static std::string log_folder(const std::string& temp_path);
    // "xlog_<%Y%m%d_%H%M%S local start time>_<pid>_<process name>_<namespace>.dblog".
    static std::string log_file_name(time_t start_time, uint32_t process_id,
                                     const std::string& process_name,
                                     const std::string& name_space);

    // Deletes this program's log files in the process log's folder that are a week or more older
    // than the newest of them. Only regular files of the name pattern count; links and other
    // entries are left alone.
    static void purgeOldLogFiles(const std::string& process_name, const std::string& name_space);
    // The same for the log folder below `temp_path`, reporting through `log`.
    static void purgeOldLogFiles(XLogCore& log, const std::string& temp_path,
                                 const std::string& process_name, const std::string& name_space);
};

} // namespace devio

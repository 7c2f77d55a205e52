#include "Source/Log/XLogCore.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

#include "Source/Log/XLogPlatformSpecific.h"
#include "Source/Log/XLogText.h"
#include "Source/Log/xLog.h"
#include "Source/System/Clock.h"
#include "Source/System/ConfigStore.h"
#include "Source/System/DebugOutput.h"
#include "Source/System/Paths.h"

namespace devio {

namespace {

constexpr size_t kMaxModulePath = 299;
constexpr size_t kMaxProcessName = 19;
constexpr const char* kNamespace = "devio";

// The local time of `seconds` as "%c %Z".
std::string local_date(time_t seconds) {
    tm local{};
    localtime_r(&seconds, &local);
    char text[128];
    size_t length = std::strftime(text, sizeof(text), "%c %Z", &local);
    return std::string(text, length);
}

// When this process was started, from the kernel's process statistics and the boot time.
std::optional<time_t> process_start_time() {
    std::ifstream stat_file("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(stat_file)), std::istreambuf_iterator<char>());
    // The command name (field 2) is in parentheses and may hold blanks: count from its end.
    size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    unsigned long long start_ticks = 0;
    for (int number = 3; fields >> field; ++number) {
        if (number == 22) {
            start_ticks = std::stoull(field);
            break;
        }
    }
    std::ifstream system_stat("/proc/stat");
    std::string line;
    long long boot_time = -1;
    while (std::getline(system_stat, line)) {
        if (line.rfind("btime ", 0) == 0) {
            boot_time = std::stoll(line.substr(6));
        }
    }
    long ticks_per_second = sysconf(_SC_CLK_TCK);
    if (boot_time < 0 || ticks_per_second <= 0 || start_ticks == 0) {
        return std::nullopt;
    }
    return static_cast<time_t>(boot_time + static_cast<long long>(start_ticks) / ticks_per_second);
}

} // namespace

XLogSetup XLogSetup::for_process() {
    XLogSetup setup;
    setup.config = XLogConfig::read(sys::ConfigStore::user(),
                                    XLogConfig::key_for(sys::Paths::executable_file_name()));
    setup.module_path = sys::Paths::executable_path().substr(0, kMaxModulePath);
    setup.temp_path = sys::Paths::log_temp_path();
    setup.process_wide = true;
    return setup;
}

LogTimes LogTimes::now() {
    // The frequency is fixed; the split keeps counter * 10^6 from overflowing.
    const uint64_t frequency = static_cast<uint64_t>(sys::Clock::performance_frequency());
    const int64_t counter = sys::Clock::performance_counter();
    const auto unsigned_counter = static_cast<uint64_t>(counter);
    LogTimes times;
    times.performance_us = unsigned_counter / frequency * 1'000'000 +
                           unsigned_counter % frequency * 1'000'000 / frequency;
    // Reading the wall clock costs as much as the counter again, so the wall time follows the
    // counter (in real time) from a reading of both that is renewed every second; a step of the
    // system clock shows within a second.
    static std::atomic<int64_t> wall_minus_real_us{0};
    static std::atomic<int64_t> renew_at_real_us{INT64_MIN};
    const auto real_us =
        static_cast<int64_t>(static_cast<double>(counter) * sys::Clock::time_scale() / 1000.0);
    if (real_us >= renew_at_real_us.load(std::memory_order_relaxed)) {
        wall_minus_real_us.store(static_cast<int64_t>(sys::Clock::wall_time_us()) - real_us,
                                 std::memory_order_relaxed);
        renew_at_real_us.store(real_us + 1'000'000, std::memory_order_relaxed);
    }
    times.wall_us =
        static_cast<uint64_t>(real_us + wall_minus_real_us.load(std::memory_order_relaxed));
    return times;
}

XLogCore::XLogCore(XLogSetup setup)
    : config_(std::move(setup.config)), setup_(std::move(setup)),
      process_id_(static_cast<uint32_t>(getpid())), file_(*this),
      buffers_(*this, file_, setup_.process_wide,
               LogBuffer::Usage{setup_.buffer_entries, setup_.buffer_text_size}) {
    if (config_.enabled) {
        initialise();
    }
}

std::string XLogCore::process_name_of(std::string_view module_path) {
    std::string_view file = module_path.substr(module_path.find_last_of('/') + 1);
    file = file.substr(0, file.find('.'));
    std::string name;
    for (char c : file) {
        if (std::isalnum(static_cast<unsigned char>(c)) && name.size() < kMaxProcessName) {
            name += c;
        }
    }
    return name;
}

bool XLogCore::write(const char* tag, int level, const char* function, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    bool result = vwrite(tag, level, function, format, arguments);
    va_end(arguments);
    return result;
}

bool XLogCore::vwrite(const char* tag, int level, const char* function, const char* format,
                      va_list arguments) {
    return vwrite_at({config_.console_level, config_.file_level}, tag, level, function, format,
                     arguments);
}

bool XLogCore::write_at(Levels levels, const char* tag, int level, const char* function,
                        const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    bool result = vwrite_at(levels, tag, level, function, format, arguments);
    va_end(arguments);
    return result;
}

bool XLogCore::vwrite_at(Levels levels, const char* tag, int level, const char* function,
                         const char* format, va_list arguments) {
    if (!config_.enabled) {
        return true;
    }
    const LogTimes times = LogTimes::now();
    bool console =
        (config_.outputs & XLogConfig::kConsoleOutputs) != 0 && level <= config_.tag_level;
    bool file = (config_.outputs & XLogConfig::kFileOutput) != 0 && level <= levels.file;
    if (console && level > levels.console && !tags_released_.load(std::memory_order_relaxed)) {
        std::string_view message_tag = xlog::own_tag(format);
        if (message_tag.empty() && tag != nullptr) {
            message_tag = tag;
        }
        if (!message_tag.empty()) {
            console = config_.tag_passes(message_tag);
        }
    }
    if (!console && !file) {
        return true;
    }
    char message[xlog::kFormatBufferSize];
    size_t length = xlog::format_bounded(message, sizeof(message), format, arguments);
    if (file && !buffers_.write(times, level, tag, function, std::string_view(message, length))) {
        return false;
    }
    if (console) {
        write_console(level, function, std::string_view(message, length));
    }
    return true;
}

void XLogCore::write_console(int level, const char* function, std::string_view message) const {
    std::string_view name = xlog::trim_function_name(function != nullptr ? function : "");
    size_t prefix = 0;
    std::string_view tag = xlog::own_tag(message, &prefix);
    message.remove_prefix(prefix);
    message = xlog::strip_function_repetition(name, message);
    if (message.ends_with('\n')) {
        message.remove_suffix(1); // the line ends in a newline of its own
    }
    char line[xlog::kFormatBufferSize];
    size_t length;
    if (!tag.empty()) {
        length = xlog::format_bounded(line, sizeof(line), "%s - %.*s -%.*s- %.*s\n",
                                      xlog::level_name(level), static_cast<int>(name.size()),
                                      name.data(), static_cast<int>(tag.size()), tag.data(),
                                      static_cast<int>(message.size()), message.data());
    } else {
        length =
            xlog::format_bounded(line, sizeof(line), "%s - %.*s %.*s\n", xlog::level_name(level),
                                 static_cast<int>(name.size()), name.data(),
                                 static_cast<int>(message.size()), message.data());
    }
    if ((config_.outputs & XLogConfig::kStandardOutput) != 0) {
        std::fwrite(line, 1, length, stdout);
        if (buffers_.is_shut_down()) {
            std::fflush(stdout);
        }
    }
    if ((config_.outputs & XLogConfig::kDebuggerOutput) != 0) {
        sys::DebugOutput::write(std::string_view(line, length));
    }
}

void XLogCore::initialise() {
    process_name_ = process_name_of(setup_.module_path);
    const bool file_output = (config_.outputs & XLogConfig::kFileOutput) != 0;
    if (file_output) {
        file_.open(setup_.temp_path, std::time(nullptr));
    }
    const char* where = "devio::xLogInit";
    const Levels key_line{2, 2};
    write("xlog", kLogInfo, where, "----------------------------------------");
    write("xlog", kLogInfo, where, "%s", local_date(std::time(nullptr)).c_str());
    write_at(key_line, "xlog", kLogInfo, where,
             "procname=%s namespace=%s logginglevel=%d loggingoutput=%d fileLevel=%d",
             process_name_.c_str(), kNamespace, config_.console_level,
             static_cast<int>(config_.outputs), config_.file_level);
    write_at(key_line, "xlog", kLogInfo, where,
             "defaultEnabled=%d, defaultOutput=%d, defaultLevel=%d, defaultFileLevel=%d",
             XLogConfig::kDefaultEnabled ? 1 : 0, static_cast<int>(XLogConfig::kDefaultOutputs),
             XLogConfig::kDefaultConsoleLevel, XLogConfig::kDefaultFileLevel);
    if (file_.is_open()) {
        write_at(key_line, "xlog", kLogInfo, where, "logfile=%s", file_.path().c_str());
    }
    if (!setup_.module_path.empty() && setup_.module_path.size() != process_name_.size()) {
        write("xlog", kLogInfo, where, "exe=%s", setup_.module_path.c_str());
    }
    if (auto start = process_start_time()) {
        write("xlog", kLogInfo, where, "procstart=%s", local_date(*start).c_str());
    }
    write("xlog", kLogInfo, where, "tags=%s", config_.tags_description().c_str());
    if (file_output) {
        XLogPlatformSpecific::purgeOldLogFiles(*this, setup_.temp_path, process_name_, kNamespace);
    }
}

} // namespace devio

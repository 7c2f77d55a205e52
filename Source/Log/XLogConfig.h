// The diagnostic log's settings: which outputs are on and which levels and tags reach them. The
// process reads them once from the per-user configuration store; tests build their own.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace devio::sys {
class ConfigStore;
}

namespace devio {

struct XLogConfig {
    // Output bits of "loggingoutput".
    static constexpr uint32_t kStandardOutput = 1;
    static constexpr uint32_t kDebuggerOutput = 2;
    static constexpr uint32_t kConsoleOutputs = kStandardOutput | kDebuggerOutput;
    static constexpr uint32_t kFileOutput = 4;

    static constexpr bool kDefaultEnabled = true;
    static constexpr int kDefaultConsoleLevel = 1;
    static constexpr uint32_t kDefaultOutputs = kDebuggerOutput | kFileOutput;
    static constexpr int kDefaultTagLevel = 3;
    static constexpr int kDefaultFileLevel = 4;
    // The longest "LogTags" value that is read, in bytes with its terminating zero.
    static constexpr size_t kMaxLogTagsBytes = 1024;

    bool enabled = kDefaultEnabled;           // "logging"
    int console_level = kDefaultConsoleLevel; // "logginglevel": console outputs, whatever the tag
    uint32_t outputs = kDefaultOutputs;       // "loggingoutput"
    int tag_level = kDefaultTagLevel;         // "logTagLevel": highest level for the console
    int file_level = kDefaultFileLevel;       // not configurable
    // While on, a message above the console level reaches the console only if its tag is enabled.
    bool all_tags_off = true;
    std::set<std::string, std::less<>> enabled_tags;
    std::set<std::string, std::less<>> disabled_tags;

    // "SOFTWARE\Varkon\xLog\devio\" followed by the executable's file name.
    static std::string key_for(std::string_view executable_file_name);
    // The settings stored under `key`; missing values (or a missing key) keep their defaults.
    static XLogConfig read(const sys::ConfigStore& store, const std::string& key);

    // Applies a "LogTags" value: a non-empty value first turns the all-tags-off switch off; then
    // each blank-separated token "-*", "+tag" or "-tag" in order; other tokens are ignored.
    void apply_tag_switches(std::string_view log_tags);
    // " -*" while the all-tags-off switch is on, then " +tag" for each enabled and " -tag" for
    // each disabled tag, as the log's header shows them.
    std::string tags_description() const;
    // Whether a message of `tag` above the console level may reach the console outputs.
    bool tag_passes(std::string_view tag) const;
};

} // namespace devio

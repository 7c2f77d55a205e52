#include "Source/Log/XLogConfig.h"

#include "Source/System/ConfigStore.h"

namespace devio {

std::string XLogConfig::key_for(std::string_view executable_file_name) {
    std::string key = "SOFTWARE\\Varkon\\xLog\\devio\\";
    key += executable_file_name;
    return key;
}

XLogConfig XLogConfig::read(const sys::ConfigStore& store, const std::string& key) {
    XLogConfig config;
    if (auto logging = store.read_dword(key, "logging")) {
        config.enabled = *logging != 0;
    }
    if (!config.enabled) {
        return config;
    }
    if (auto level = store.read_dword(key, "logginglevel")) {
        config.console_level = static_cast<int>(*level);
    }
    if (auto outputs = store.read_dword(key, "loggingoutput")) {
        config.outputs = *outputs;
    }
    if (auto level = store.read_dword(key, "logTagLevel")) {
        config.tag_level = static_cast<int>(*level);
    }
    if (auto tags = store.read_sz(key, "LogTags"); tags && tags->size() < kMaxLogTagsBytes) {
        config.apply_tag_switches(*tags);
    }
    return config;
}

void XLogConfig::apply_tag_switches(std::string_view log_tags) {
    if (log_tags.empty()) {
        return;
    }
    all_tags_off = false;
    for (;;) {
        size_t blank = log_tags.find(' ');
        std::string_view token = log_tags.substr(0, blank);
        if (token == "-*") {
            all_tags_off = true;
            enabled_tags.clear();
            disabled_tags.clear();
        } else if (token.size() > 1 && token.front() == '+') {
            std::string tag(token.substr(1));
            disabled_tags.erase(tag);
            enabled_tags.insert(std::move(tag));
        } else if (token.size() > 1 && token.front() == '-') {
            std::string tag(token.substr(1));
            enabled_tags.erase(tag);
            disabled_tags.insert(std::move(tag));
        }
        if (blank == std::string_view::npos) {
            break;
        }
        log_tags.remove_prefix(blank + 1);
    }
}

std::string XLogConfig::tags_description() const {
    std::string text = all_tags_off ? " -*" : "";
    for (const std::string& tag : enabled_tags) {
        text += " +" + tag;
    }
    for (const std::string& tag : disabled_tags) {
        text += " -" + tag;
    }
    return text;
}

bool XLogConfig::tag_passes(std::string_view tag) const {
    if (disabled_tags.find(tag) != disabled_tags.end()) {
        return false;
    }
    return !all_tags_off || enabled_tags.find(tag) != enabled_tags.end();
}

} // namespace devio

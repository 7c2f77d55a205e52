#include "Source/XLogText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace devio::xlog {

namespace {

constexpr std::string_view kTruncated = " (truncated) ";
constexpr std::string_view kFormatError = " (vsnprintf error) ";

// Skips `prefix` at the start of `text`, and a blank after it.
bool skip_prefix(std::string_view& text, std::string_view prefix) {
    if (prefix.empty() || !text.starts_with(prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    if (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    return true;
}

} // namespace

size_t format_bounded(char* buffer, size_t size, const char* format, va_list arguments) {
    buffer[0] = '\0';
    int written = std::vsnprintf(buffer, size, format, arguments);
    size_t length;
    if (written < 0) {
        buffer[size - 1] = '\0';
        length = std::min(std::strlen(buffer), size - 20);
        std::memcpy(buffer + length, kFormatError.data(), kFormatError.size());
        length += kFormatError.size();
        buffer[length] = '\0';
    } else if (static_cast<size_t>(written) < size) {
        return static_cast<size_t>(written);
    } else {
        length = size - 1;
        std::memcpy(buffer + length - kTruncated.size(), kTruncated.data(), kTruncated.size());
    }
    size_t format_length = std::strlen(format);
    if (length > 0 && format_length > 0 && format[format_length - 1] == '\n') {
        buffer[length - 1] = '\n';
    }
    return length;
}

size_t format_bounded(char* buffer, size_t size, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    size_t length = format_bounded(buffer, size, format, arguments);
    va_end(arguments);
    return length;
}

const char* level_name(int level) {
    static constexpr const char* kNames[] = {"ERROR", "WARNING", "INFO", "DEBUG", "VERBOSE"};
    if (level < 0) {
        return kNames[0];
    }
    return level < 4 ? kNames[level] : kNames[4];
}

std::string_view own_tag(std::string_view text, size_t* prefix_length) {
    if (text.empty() || text.front() != '-') {
        return {};
    }
    size_t end = 1;
    while (end < text.size() && text[end] != '-' && text[end] != ' ') {
        ++end;
    }
    if (end == 1 || end + 1 >= text.size() || text[end] != '-' || text[end + 1] != ' ') {
        return {};
    }
    if (prefix_length != nullptr) {
        *prefix_length = end + 2;
    }
    return text.substr(1, end - 1);
}

std::string_view trim_function_name(std::string_view function) {
    if (function.ends_with(')')) {
        int depth = 0;
        for (size_t i = function.size(); i-- > 0;) {
            if (function[i] == ')') {
                ++depth;
            } else if (function[i] == '(' && --depth == 0) {
                function = function.substr(0, i);
                break;
            }
        }
    }
    size_t last = function.find_last_of(" *");
    if (last != std::string_view::npos) {
        function.remove_prefix(last + 1);
    }
    if (function.starts_with("devio::")) {
        function.remove_prefix(7);
    }
    return function;
}

std::string_view strip_function_repetition(std::string_view trimmed_function,
                                           std::string_view message) {
    std::string_view method = trimmed_function;
    if (size_t separator = trimmed_function.find("::"); separator != std::string_view::npos) {
        method.remove_prefix(separator + 2);
    }
    skip_prefix(message, method);
    skip_prefix(message, trimmed_function);
    return message;
}

} // namespace devio::xlog

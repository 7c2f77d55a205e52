#include "Source/Log/XLogText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/types.h>

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

// A cut or failed text whose format ends a line ends the line too.
size_t end_line_like_format(char* buffer, size_t length, const char* format) {
    size_t format_length = std::strlen(format);
    if (length > 0 && format_length > 0 && format[format_length - 1] == '\n') {
        buffer[length - 1] = '\n';
    }
    return length;
}

// Appends to a bounded buffer, remembering whether everything fitted.
struct Output {
    char* buffer;
    size_t capacity; // characters, without the terminating zero
    size_t length = 0;
    bool overflow = false;

    void append(const char* text, size_t count) {
        size_t room = capacity - length;
        if (count > room) {
            count = room;
            overflow = true;
        }
        std::memcpy(buffer + length, text, count);
        length += count;
    }
    void append_unsigned(unsigned long long value, unsigned base, bool upper) {
        const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
        char text[24];
        char* end = text + sizeof(text);
        char* start = end;
        do {
            *--start = digits[value % base];
            value /= base;
        } while (value != 0);
        append(start, static_cast<size_t>(end - start));
    }
};

// The common conversions (%d %i %u %x %X %s %c %% with the length modifiers l, ll and z)
// without flags, width or precision, formatted without the cost of the full formatter. False
// when the format needs more; `out` is then undefined.
bool format_plain(Output& out, const char* format, va_list arguments) {
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            const char* run = p;
            while (p[1] != '\0' && p[1] != '%') {
                ++p;
            }
            out.append(run, static_cast<size_t>(p - run + 1));
            continue;
        }
        ++p;
        int longs = 0;
        bool size_type = false;
        while (*p == 'l' || *p == 'h' || *p == 'z') {
            if (*p == 'h') {
                return false; // narrowed values: left to the full formatter
            }
            longs += *p == 'l' ? 1 : 0;
            size_type = size_type || *p == 'z';
            ++p;
        }
        switch (*p) {
        case '%':
            out.append("%", 1);
            break;
        case 'd':
        case 'i': {
            long long value = size_type    ? static_cast<long long>(va_arg(arguments, ssize_t))
                              : longs >= 2 ? va_arg(arguments, long long)
                              : longs == 1 ? va_arg(arguments, long)
                                           : va_arg(arguments, int);
            if (value < 0) {
                out.append("-", 1);
            }
            out.append_unsigned(value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                          : static_cast<unsigned long long>(value),
                                10, false);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long long value = size_type    ? va_arg(arguments, size_t)
                                       : longs >= 2 ? va_arg(arguments, unsigned long long)
                                       : longs == 1 ? va_arg(arguments, unsigned long)
                                                    : va_arg(arguments, unsigned);
            out.append_unsigned(value, *p == 'u' ? 10 : 16, *p == 'X');
            break;
        }
        case 's': {
            if (longs != 0) {
                return false;
            }
            const char* text = va_arg(arguments, const char*);
            text = text != nullptr ? text : "(null)";
            out.append(text, std::strlen(text));
            break;
        }
        case 'c': {
            if (longs != 0) {
                return false;
            }
            char c = static_cast<char>(va_arg(arguments, int));
            out.append(&c, 1);
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

} // namespace

size_t format_bounded(char* buffer, size_t size, const char* format, va_list arguments) {
    size_t length;
    bool formatted = false;
    Output out{buffer, size - 1};
    va_list plain_arguments;
    va_copy(plain_arguments, arguments);
    if (format_plain(out, format, plain_arguments)) {
        formatted = true;
        length = out.length;
        buffer[length] = '\0';
        if (!out.overflow) {
            va_end(plain_arguments);
            return length;
        }
    }
    va_end(plain_arguments);
    if (!formatted) {
        buffer[0] = '\0';
        int written = std::vsnprintf(buffer, size, format, arguments);
        if (written >= 0 && static_cast<size_t>(written) < size) {
            return static_cast<size_t>(written);
        }
        if (written < 0) {
            buffer[size - 1] = '\0';
            length = std::min(std::strlen(buffer), size - 20);
            std::memcpy(buffer + length, kFormatError.data(), kFormatError.size());
            length += kFormatError.size();
            buffer[length] = '\0';
            return end_line_like_format(buffer, length, format);
        }
    }
    length = size - 1;
    std::memcpy(buffer + length - kTruncated.size(), kTruncated.data(), kTruncated.size());
    buffer[length] = '\0';
    return end_line_like_format(buffer, length, format);
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

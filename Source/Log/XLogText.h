// The text rules of the diagnostic log, shared by its console lines and its file lines: bounded
// formatting with its truncation marks, level names, the message's own tag prefix, and the
// trimming of function names and of their repetition in the message.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string_view>

namespace devio::xlog {

// The size of every formatting buffer of the log, terminating zero included.
inline constexpr size_t kFormatBufferSize = 1024;

// Formats into `buffer` of `size` bytes (at least 32) and returns the text's length. A text longer
// than size - 1 ends in " (truncated) " at exactly size - 1 characters; a failed format keeps at
// most size - 20 characters of what was formatted and appends " (vsnprintf error) ". In both cases
// a format ending in a newline gives a text ending in a newline.
size_t format_bounded(char* buffer, size_t size, const char* format, va_list arguments)
    __attribute__((format(printf, 3, 0)));
size_t format_bounded(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// "ERROR", "WARNING", "INFO", "DEBUG", "VERBOSE" for 0 to 4; VERBOSE above, ERROR below.
const char* level_name(int level);

// A message's own tag: "-word- text" names the tag "word". `prefix_length` receives the length of
// "-word- ". Empty when the text carries no such prefix.
std::string_view own_tag(std::string_view text, size_t* prefix_length = nullptr);

// The caller's function name without argument list, return type, calling convention and leading
// "devio::": "void __cdecl devio::Device::open(int)" gives "Device::open".
std::string_view trim_function_name(std::string_view function);

// The message without a leading repetition of the trimmed function name (first the method name
// alone, then the qualified name), so that "Device::open enter" under "Device::open" gives "enter".
std::string_view strip_function_repetition(std::string_view trimmed_function,
                                           std::string_view message);

} // namespace devio::xlog

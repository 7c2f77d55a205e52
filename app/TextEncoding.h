// Conversions between the tool's text (UTF-8 in std::string), the wide strings of the command line
// and the UTF-16 little-endian bytes of the tool's log file.
//
// File names on this platform are byte strings that need not be valid UTF-8. Bytes that do not
// form valid UTF-8 become the wide characters U+DC80 to U+DCFF on the way in and the same bytes on
// the way out, so that any file name survives the trip through a wide string unchanged.
#pragma once

#include <string>
#include <string_view>

namespace devio::app {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// Decodes the UTF-8 sequence at the start of `text` (not empty) into `out`. Returns its length in
// bytes, or 0 when the bytes there are not a valid sequence (truncated, overlong, a surrogate or
// beyond U+10FFFF).
size_t DecodeUtf8Sequence(std::string_view text, char32_t& out);

// UTF-16LE bytes of `text`; byte sequences that are not valid UTF-8 become U+FFFD.
std::string Utf16LeFromUtf8(std::string_view text);

// The byte length of the first `count` characters (code points) of `text`; a byte that does not
// start a valid sequence counts as one character.
size_t Utf8PrefixLength(std::string_view text, size_t count);

} // namespace devio::app

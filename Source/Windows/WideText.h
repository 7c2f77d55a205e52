// Conversions between the library's UTF-8 text and the UTF-16 text of the system's wide calls.
#pragma once

#include <string>
#include <string_view>

namespace devio {

// Invalid input sequences become U+FFFD.
std::u16string widen(std::string_view text);
std::string narrow(std::u16string_view text);

} // namespace devio

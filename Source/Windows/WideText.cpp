#include "Source/Windows/WideText.h"

#include <cstdint>

namespace devio {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point of UTF-8 starting at `i` and advances `i` past it.
char32_t decode_utf8(std::string_view text, std::size_t& i) {
    auto byte = [&](std::size_t at) { return static_cast<uint8_t>(text[at]); };
    uint8_t lead = byte(i++);
    if (lead < 0x80) {
        return lead;
    }
    int length = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (length < 0 || lead >= 0xF8) {
        return kReplacement;
    }
    char32_t code = lead & (0x3F >> length);
    for (int k = 0; k < length; ++k) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80) {
            return kReplacement;
        }
        code = (code << 6) | (byte(i++) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    bool overlong = code < kSmallest[length];
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? kReplacement : code;
}

void append_utf8(std::string& out, char32_t code) {
    static constexpr uint8_t kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    int continuation = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    out += static_cast<char>(kLead[continuation] | (code >> (6 * continuation)));
    for (int k = continuation - 1; k >= 0; --k) {
        out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
    }
}

} // namespace

std::u16string widen(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = decode_utf8(text, i);
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 | (code >> 10));
            out += static_cast<char16_t>(0xDC00 | (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string narrow(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            append_utf8(out, kReplacement);
        } else {
            append_utf8(out, unit);
        }
    }
    return out;
}

} // namespace devio

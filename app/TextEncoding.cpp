#include "app/TextEncoding.h"

#include <cstdint>

namespace devio::app {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr wchar_t kEscapeBase = 0xDC00;

} // namespace

size_t DecodeUtf8Sequence(std::string_view text, char32_t& out) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(0);
    if (lead < 0x80) {
        out = lead;
        return 1;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    out = value;
    return length;
}

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16Le(std::string& out, char32_t c) {
    auto unit = [&out](uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    if (c < 0x10000) {
        unit(c);
    } else {
        c -= 0x10000;
        unit(0xD800 | (c >> 10));
        unit(0xDC00 | (c & 0x3FF));
    }
}

// Calls `visit(code point, valid)` for every character of `text`; an invalid byte is passed as
// itself with valid = false.
template <class Visit>
void ForEachCharacter(std::string_view text, Visit visit) {
    while (!text.empty()) {
        char32_t c = 0;
        size_t length = DecodeUtf8Sequence(text, c);
        if (length == 0) {
            visit(static_cast<char32_t>(static_cast<uint8_t>(text[0])), false);
            length = 1;
        } else {
            visit(c, true);
        }
        text.remove_prefix(length);
    }
}

} // namespace

std::wstring WideFromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    ForEachCharacter(text, [&out](char32_t c, bool valid) {
        out += valid ? static_cast<wchar_t>(c) : static_cast<wchar_t>(kEscapeBase + c);
    });
    return out;
}

std::string Utf8FromWide(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        auto c = static_cast<char32_t>(w);
        if (c >= 0xDC80 && c <= 0xDCFF) {
            out += static_cast<char>(c - kEscapeBase);
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::string Utf16LeFromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    ForEachCharacter(
        text, [&out](char32_t c, bool valid) { AppendUtf16Le(out, valid ? c : kReplacement); });
    return out;
}

size_t Utf8PrefixLength(std::string_view text, size_t count) {
    size_t length = 0;
    while (count > 0 && length < text.size()) {
        char32_t ignored = 0;
        size_t step = DecodeUtf8Sequence(text.substr(length), ignored);
        length += step == 0 ? 1 : step;
        --count;
    }
    return length;
}

} // namespace devio::app

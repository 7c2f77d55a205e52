#include "app/ToolOptions.h"

#include <limits>

namespace devio::app {

namespace {

constexpr std::wstring_view kForceDirOption = L"/FORCEDIR=";
constexpr std::wstring_view kFailDeviceOption = L"/FAILDEVICE=";

wchar_t AsciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c;
}

// Whole-argument match without regard to the case of ASCII letters.
bool EqualsIgnoringCase(std::wstring_view argument, std::wstring_view option) {
    if (argument.size() != option.size()) {
        return false;
    }
    for (size_t i = 0; i < option.size(); ++i) {
        if (AsciiLower(argument[i]) != AsciiLower(option[i])) {
            return false;
        }
    }
    return true;
}

// The text after the first occurrence of `option` (case-sensitive) in `argument`; none when the
// option does not occur.
std::optional<std::wstring_view> ValueAfter(std::wstring_view argument, std::wstring_view option) {
    size_t found = argument.find(option);
    if (found == std::wstring_view::npos) {
        return std::nullopt;
    }
    return argument.substr(found + option.size());
}

bool IsCSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

} // namespace

bool CToolOptions::ParseCommandLine(int argc, const wchar_t* const* argv) {
    if (argc <= 0 || argv == nullptr) {
        return false;
    }
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr) {
            continue;
        }
        std::wstring_view argument(argv[i]);
        if (EqualsIgnoringCase(argument, L"/FORCE")) {
            forceUpdate = true;
            continue;
        }
        if (EqualsIgnoringCase(argument, L"/SKIPDEVICE")) {
            skipDevice = true;
            continue;
        }
        if (EqualsIgnoringCase(argument, L"/LOG")) {
            logToFile = true;
            continue;
        }
        if (std::optional<std::wstring_view> folder = ValueAfter(argument, kForceDirOption)) {
            if (folder->empty()) {
                continue;
            }
            firmwareFolder = *folder;
            forceUpdate = true;
        }
        if (std::optional<std::wstring_view> number = ValueAfter(argument, kFailDeviceOption)) {
            // A value that is no number, or out of range, leaves the stored one.
            if (std::optional<int32_t> value = ParseSignedDecimal(*number)) {
                failDevice = *value;
            }
        }
    }
    return true;
}

CToolOptions& ToolOptions() {
    static CToolOptions options;
    return options;
}

std::optional<int32_t> ParseSignedDecimal(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    // Accumulated as a negative number, whose range includes the 32-bit minimum.
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::min());
    int64_t value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
        value = value * 10 - (text[i] - L'0');
        if (value < kLimit) {
            return std::nullopt;
        }
    }
    if (digits == 0 || (!negative && value == kLimit)) {
        return std::nullopt;
    }
    return static_cast<int32_t>(negative ? value : -value);
}

} // namespace devio::app

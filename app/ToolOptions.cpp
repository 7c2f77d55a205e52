#include "app/ToolOptions.h"

#include <limits>

#include "app/AsciiCase.h"

namespace devio::app {

namespace {

constexpr std::wstring_view kForceDirOption = L"/FORCEDIR=";
constexpr std::wstring_view kFailDeviceOption = L"/FAILDEVICE=";

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
        if (EqualsIgnoringAsciiCase<wchar_t>(argument, L"/FORCE")) {
            forceUpdate = true;
            continue;
        }
        if (EqualsIgnoringAsciiCase<wchar_t>(argument, L"/SKIPDEVICE")) {
            skipDevice = true;
            continue;
        }
        if (EqualsIgnoringAsciiCase<wchar_t>(argument, L"/LOG")) {
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
    // The magnitude may reach 2^31, the size of the 32-bit minimum.
    constexpr int64_t kMaxMagnitude = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > kMaxMagnitude) {
            return std::nullopt;
        }
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (digits == 0 || value > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

} // namespace devio::app

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/types.h>

#include "Source/Log/XLogText.h"

namespace devio::xlog {
namespace {

std::string format(const char* format, const std::string& argument) {
    char buffer[kFormatBufferSize];
    size_t length = format_bounded(buffer, sizeof(buffer), format, argument.c_str());
    EXPECT_EQ(buffer[length], '\0');
    return std::string(buffer, length);
}

TEST(XLogTextTest, MessageOfBufferSizeMinusOneStaysWhole) {
    std::string text(1023, 'a');
    EXPECT_EQ(format("%s", text), text);
}

TEST(XLogTextTest, LongerMessageEndsInTruncatedMarkAtBufferSizeMinusOne) {
    std::string result = format("%s", std::string(1024, 'a'));
    ASSERT_EQ(result.size(), 1023u);
    EXPECT_EQ(result, std::string(1010, 'a') + " (truncated) ");

    std::string line = format("%s\n", std::string(5000, 'b'));
    ASSERT_EQ(line.size(), 1023u);
    EXPECT_EQ(line.substr(1010), " (truncated)\n");

    // Cut in the middle of a number, and by the full formatter.
    char buffer[kFormatBufferSize];
    std::string head(1015, 'c');
    size_t length = format_bounded(buffer, sizeof(buffer), "%s%d\n", head.c_str(), 1234567890);
    EXPECT_EQ(std::string(buffer, length), std::string(1010, 'c') + " (truncated)\n");
    length = format_bounded(buffer, sizeof(buffer), "%s%5d", head.c_str(), 1234567890);
    EXPECT_EQ(std::string(buffer, length), std::string(1010, 'c') + " (truncated) ");
    ASSERT_EQ(line.size(), 1023u);
    EXPECT_EQ(line.substr(1010), " (truncated)\n");
}

TEST(XLogTextTest, FailedFormatKeepsWhatWasFormattedAndSaysSo) {
    // A wide character that the C locale cannot convert makes the formatting fail.
    const wchar_t unconvertible[] = {static_cast<wchar_t>(0x4E2D), 0};
    char buffer[kFormatBufferSize];
    std::string before(2000, 'x');
    size_t length =
        format_bounded(buffer, sizeof(buffer), "%s%ls\n", before.c_str(), unconvertible);
    std::string result(buffer, length);
    EXPECT_LE(result.size(), kFormatBufferSize - 1);
    EXPECT_TRUE(result.ends_with(" (vsnprintf error)\n")) << result;
    EXPECT_EQ(result.find_first_not_of('x'), kFormatBufferSize - 20);
}

// Formats like the C library does, whichever way the text is made. The formats are the literals
// of the test below.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
template <class... Arguments>
void expect_like_snprintf(const char* format, Arguments... arguments) {
    char expected[kFormatBufferSize];
    int length = std::snprintf(expected, sizeof(expected), format, arguments...);
    char actual[kFormatBufferSize];
    size_t actual_length = format_bounded(actual, sizeof(actual), format, arguments...);
    EXPECT_EQ(std::string(actual, actual_length),
              std::string(expected, static_cast<size_t>(length)))
        << format;
}
#pragma GCC diagnostic pop

TEST(XLogTextTest, FormatsLikeTheCLibrary) {
    expect_like_snprintf("plain text");
    expect_like_snprintf("%d|%i|%u|%x|%X|%%|%c", -42, 0, 4000000000u, 0xbeefu, 0xbeefu, 'q');
    expect_like_snprintf("%ld %lu %lld %llu %zu %zd", -1L, 2UL, -9223372036854775807LL - 1,
                         18446744073709551615ULL, size_t{7}, ssize_t{-7});
    const char* volatile none = nullptr;
    expect_like_snprintf("%s=%s", "key", none);
    expect_like_snprintf("%hd %hhu", 70000, 300); // narrowed
    expect_like_snprintf("%5d|%-4s|%.2f|%08x|%p", 3, "ab", 2.5, 0x12u, static_cast<void*>(nullptr));
    expect_like_snprintf("%s %d\n", std::string(2000, 'q').substr(0, 1000).c_str(), 12345);
}

TEST(XLogTextTest, LevelNames) {
    EXPECT_STREQ(level_name(0), "ERROR");
    EXPECT_STREQ(level_name(1), "WARNING");
    EXPECT_STREQ(level_name(2), "INFO");
    EXPECT_STREQ(level_name(3), "DEBUG");
    EXPECT_STREQ(level_name(4), "VERBOSE");
    EXPECT_STREQ(level_name(9), "VERBOSE");
}

TEST(XLogTextTest, OwnTagPrefix) {
    struct Case {
        const char* text;
        const char* tag;
        size_t prefix;
    };
    const Case cases[] = {
        {"-api- enter", "api", 6}, {"-api- ", "api", 6}, {"-api-enter", "", 0}, {"--  x", "", 0},
        {"-a b- x", "", 0},        {"-api-", "", 0},     {"api- x", "", 0},     {"-x-y- z", "", 0},
    };
    for (const Case& c : cases) {
        size_t prefix = 0;
        EXPECT_EQ(own_tag(c.text, &prefix), c.tag) << c.text;
        EXPECT_EQ(prefix, c.prefix) << c.text;
    }
}

TEST(XLogTextTest, FunctionNameTrimming) {
    struct Case {
        const char* function;
        const char* trimmed;
    };
    const Case cases[] = {
        {"devio::DeviceManager::makeDevice", "DeviceManager::makeDevice"},
        {"bool __cdecl devio::Device::open(int (*)(void), char)", "Device::open"},
        {"devio::IDevice* devio::Device::self()", "Device::self"},
        {"Vs2003SingletonThreadCleanup::about_to_join",
         "Vs2003SingletonThreadCleanup::about_to_join"},
        {"main", "main"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trim_function_name(c.function), c.trimmed) << c.function;
    }
}

TEST(XLogTextTest, RepetitionOfTheFunctionIsRemovedFromTheMessage) {
    struct Case {
        const char* message;
        const char* cleaned;
    };
    const Case cases[] = {
        {"DeviceManager::makeDevice enter", "enter"},
        {"makeDevice enter", "enter"},
        {"makeDevice DeviceManager::makeDevice exit", "exit"},
        {"makeDeviceX", "X"},
        {"enter makeDevice", "enter makeDevice"},
        {"DeviceManager::other", "DeviceManager::other"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(strip_function_repetition("DeviceManager::makeDevice", c.message), c.cleaned)
            << c.message;
    }
}

} // namespace
} // namespace devio::xlog

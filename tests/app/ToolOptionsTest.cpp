#include "app/ToolOptions.h"

#include <vector>

#include <gtest/gtest.h>

// The tables below name only the options that differ from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace devio::app {
namespace {

CToolOptions Parse(std::vector<const wchar_t*> arguments) {
    CToolOptions options;
    EXPECT_TRUE(options.ParseCommandLine(static_cast<int>(arguments.size()), arguments.data()));
    return options;
}

struct Expected {
    bool force = false;
    bool skip = false;
    bool log = false;
    std::wstring folder;
    int32_t failDevice = 0;
};

void ExpectOptions(const CToolOptions& options, const Expected& expected) {
    EXPECT_EQ(options.forceUpdate, expected.force);
    EXPECT_EQ(options.skipDevice, expected.skip);
    EXPECT_EQ(options.logToFile, expected.log);
    EXPECT_EQ(options.firmwareFolder, expected.folder);
    EXPECT_EQ(options.failDevice, expected.failDevice);
}

TEST(ParseCommandLine, MatchesFlagsWholeAndValueOptionsBySubstring) {
    struct Case {
        const char* name;
        std::vector<const wchar_t*> arguments;
        Expected expected;
    } cases[] = {
        {"no option", {L"--simulate"}, {}},
        {"flags in any case",
         {L"/force", L"/SkipDevice", L"/Log"},
         {.force = true, .skip = true, .log = true}},
        {"flags match whole arguments only", {L"/FORCE2", L"x/LOG", L"/SKIPDEVICE "}, {}},
        {"folder sets force", {L"/FORCEDIR=D:\\images"}, {.force = true, .folder = L"D:\\images"}},
        {"folder is case-sensitive", {L"/forcedir=C:\\fw"}, {}},
        {"folder by substring", {L"x/FORCEDIR=/srv/fw"}, {.force = true, .folder = L"/srv/fw"}},
        {"empty folder sets nothing", {L"/FORCEDIR="}, {}},
        {"later folder wins", {L"/FORCEDIR=a", L"/FORCEDIR=b"}, {.force = true, .folder = L"b"}},
        {"non-ASCII folder",
         {L"/FORCEDIR=/media/Frédéric/固件"},
         {.force = true, .folder = L"/media/Frédéric/固件"}},
        {"fail device", {L"/FAILDEVICE=7"}, {.failDevice = 7}},
        {"fail device, later wins", {L"/FAILDEVICE=7", L"/FAILDEVICE=-3"}, {.failDevice = -3}},
        {"fail device is case-sensitive", {L"/faildevice=7"}, {}},
        {"force and skip together", {L"/FORCE", L"/SKIPDEVICE"}, {.force = true, .skip = true}},
        // Both searches run on one argument; an empty folder skips the second one.
        {"folder holding the fail-device option",
         {L"/FORCEDIR=/FAILDEVICE=5"},
         {.force = true, .folder = L"/FAILDEVICE=5", .failDevice = 5}},
        {"empty folder skips fail device", {L"/FAILDEVICE=5/FORCEDIR="}, {}},
        {"flag is not searched further", {L"/FORCE", L"/FAILDEVICE=x"}, {.force = true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectOptions(Parse(c.arguments), c.expected);
    }
}

TEST(ParseCommandLine, BadFailDeviceValuesLeaveTheStoredNumber) {
    for (const wchar_t* bad : {L"/FAILDEVICE=", L"/FAILDEVICE=abc", L"/FAILDEVICE=-",
                               L"/FAILDEVICE=2147483648", L"/FAILDEVICE=99999999999999999999"}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(bad)));
        ExpectOptions(Parse({L"/FAILDEVICE=4", bad}), {.failDevice = 4});
    }
}

TEST(ParseCommandLine, NoArgumentsKeepTheDefaults) {
    CToolOptions options;
    const wchar_t* none[] = {nullptr};
    EXPECT_FALSE(options.ParseCommandLine(0, none));
    EXPECT_FALSE(options.ParseCommandLine(1, nullptr));
    EXPECT_TRUE(options.ParseCommandLine(1, none)); // an absent argument is skipped
    ExpectOptions(options, {});
}

TEST(ParseSignedDecimal, ReadsLikeTheCRuntime) {
    struct Case {
        const wchar_t* text;
        std::optional<int32_t> value;
    } cases[] = {
        {L"7", 7},
        {L"  \t+42", 42},
        {L"-17abc", -17},
        {L"0012", 12},
        {L"2147483647", 2147483647},
        {L"-2147483648", INT32_MIN},
        {L"2147483648", std::nullopt},
        {L"-2147483649", std::nullopt},
        {L"", std::nullopt},
        {L"x1", std::nullopt},
        {L"+", std::nullopt},
        {L"- 1", std::nullopt},
        {L"\u00A01", std::nullopt}, // only the C locale's white space is skipped
        {L"\uFF11", std::nullopt},  // fullwidth digit one
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSignedDecimal(c.text), c.value)
            << ::testing::PrintToString(std::wstring(c.text));
    }
}

} // namespace
} // namespace devio::app

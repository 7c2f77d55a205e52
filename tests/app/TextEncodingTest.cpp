#include "app/TextEncoding.h"

#include <gtest/gtest.h>

namespace devio::app {
namespace {

TEST(TextEncoding, WideRoundTripKeepsEveryByteString) {
    const std::string cases[] = {
        "",
        "/home/user/fw",
        "/media/Frédéric/固件/😀",
        std::string("bad \xFF\xFE byte"),      // not UTF-8 at all
        std::string("cut \xE2\x82"),           // truncated sequence
        std::string("overlong \xC0\xAF"),      // overlong '/'
        std::string("surrogate \xED\xA0\x80"), // encoded surrogate
    };
    for (const std::string& text : cases) {
        EXPECT_EQ(Utf8FromWide(WideFromUtf8(text)), text) << text;
    }
    EXPECT_EQ(WideFromUtf8("Fr\xC3\xA9"), L"Fr\u00E9");
    EXPECT_EQ(WideFromUtf8(std::string("a\xFF")), std::wstring(L"a") + wchar_t(0xDCFF));
}

TEST(TextEncoding, Utf16LeUsesSurrogatePairsAndReplacesInvalidBytes) {
    using namespace std::string_literals;
    EXPECT_EQ(Utf16LeFromUtf8("A\xC3\xA9\xE2\x82\xAC"), "A\0\xE9\0\xAC\x20"s);
    EXPECT_EQ(Utf16LeFromUtf8("\xF0\x9F\x98\x80"), "\x3D\xD8\x00\xDE"s); // U+1F600
    EXPECT_EQ(Utf16LeFromUtf8("\xFF"
                              "a"),
              "\xFD\xFF"
              "a\0"s);
}

TEST(TextEncoding, PrefixLengthCountsCharactersNotBytes) {
    std::string text = "a\xC3\xA9\xE2\x82\xAC"
                       "b"; // a é € b
    EXPECT_EQ(Utf8PrefixLength(text, 0), 0u);
    EXPECT_EQ(Utf8PrefixLength(text, 2), 3u);
    EXPECT_EQ(Utf8PrefixLength(text, 3), 6u);
    EXPECT_EQ(Utf8PrefixLength(text, 99), text.size());
}

} // namespace
} // namespace devio::app

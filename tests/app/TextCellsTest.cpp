#include "app/ui/TextCells.h"

#include <gtest/gtest.h>

namespace devio::app::ui {
namespace {

using Lines = std::vector<std::string>;

TEST(TextCells, WidthCountsColumnsNotBytes) {
    struct Case {
        const char* text;
        int width;
    } cases[] = {
        {"Close", 5},  {"Grüße", 5},     {"Ενημέρωση", 9},
        {"日本語", 6}, {"e\xCC\x81", 1}, // e and a combining acute accent
        {"a\tb", 3},   {"bad\xFF", 4},   // an invalid byte is one replacement character
        {"ＡＢ", 4},   {"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextWidth(c.text), c.width) << c.text;
    }
}

TEST(TextCells, WrapsAtLineBreaksBetweenWordsAndInsideWhatDoesNotFit) {
    struct Case {
        const char* text;
        int width;
        Lines lines;
    } cases[] = {
        {"one two three", 7, {"one two", "three"}},
        {"one two three", 13, {"one two three"}},
        {"first\nsecond", 20, {"first", "second"}},
        {"para\r\n\r\nnext", 20, {"para", "", "next"}},
        {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
        {"  spaced   out  ", 20, {"spaced out"}},
        // Wide characters break anywhere and never in half.
        {"日本語のテキスト", 6, {"日本語", "のテキ", "スト"}},
        {"Mouse を使用できません", 12, {"Mouse を使用", "できません"}},
        {"", 10, {""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WrapText(c.text, c.width), c.lines) << c.text << " at " << c.width;
    }
}

TEST(TextCells, EllipsizeCutsToTheWidthWithAnEllipsis) {
    EXPECT_EQ(Ellipsize("short", 10), "short");
    EXPECT_EQ(Ellipsize("much too long", 8), "much to…");
    EXPECT_EQ(Ellipsize("日本語テキスト", 6), "日本…");
}

} // namespace
} // namespace devio::app::ui

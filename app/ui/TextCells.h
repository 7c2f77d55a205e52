// Text as a terminal shows it: UTF-8 split into characters with the number of columns each takes
// (two for the wide characters of Chinese, Japanese and Korean, none for combining marks), and
// text broken into lines of a given width. Independent of the process locale.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace devio::app::ui {

// One character as drawn: its bytes (a base character with the combining marks that follow it)
// and its width in columns (1 or 2).
struct Glyph {
    std::string bytes;
    int width = 1;
};

// The characters of `text`. Control characters are dropped (a tab becomes a space); a byte that
// does not start valid UTF-8 becomes U+FFFD.
std::vector<Glyph> SplitGlyphs(std::string_view text);

// Columns `text` takes on one line.
int TextWidth(std::string_view text);

// Breaks `text` into lines of at most `width` columns: at each line break ("\r\n", "\n" or "\r"),
// between words, and inside a word that does not fit on a line of its own. An empty paragraph
// (two line breaks in a row) gives an empty line.
std::vector<std::string> WrapText(std::string_view text, int width);

// `text` without the blanks (spaces, tabs, line ends) around it.
std::string_view TrimBlanks(std::string_view text);

// `text` cut to at most `width` columns, ending in "…" when something was cut.
std::string Ellipsize(std::string_view text, int width);

} // namespace devio::app::ui

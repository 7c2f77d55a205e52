// A screen of character cells that the terminal view composes a frame in: text is written at a row
// and column, wide characters take two cells, and whatever is written over half of a wide
// character blanks its other half. Each row then becomes one line of terminal output with its
// attributes as SGR sequences.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace devio::app::ui {

enum CellAttribute : uint8_t {
    kAttrNone = 0,
    kAttrBold = 1,
    kAttrDim = 2,
    kAttrReverse = 4,
};

class CCellGrid {
public:
    explicit CCellGrid(int width) : m_width(width) {}

    int Width() const { return m_width; }
    int Height() const { return static_cast<int>(m_rows.size()); }
    // Rows are added as they are written to; this adds blank rows up to `rows`.
    void EnsureRows(int rows);

    // Writes `text` from `column` on, at most `limit` columns of it and never past the right
    // edge; a wide character that does not fit whole is left out. Returns the columns written.
    int Put(int row, int column, std::string_view text, uint8_t attributes, int limit = INT_MAX);
    // Writes `count` copies of a one-column `glyph`.
    void Fill(int row, int column, int count, std::string_view glyph, uint8_t attributes);

    // The row as terminal output: its characters with SGR sequences where the attributes change,
    // without the blanks at its end.
    std::string RowText(int row) const;
    // The row's characters alone.
    std::string PlainRowText(int row) const;

private:
    struct Cell {
        std::string glyph = " "; // empty: the right half of the wide character before it
        uint8_t attributes = kAttrNone;
    };

    void Blank(std::vector<Cell>& row, int column);
    size_t UsedLength(const std::vector<Cell>& row) const;

    int m_width;
    std::vector<std::vector<Cell>> m_rows;
};

} // namespace devio::app::ui

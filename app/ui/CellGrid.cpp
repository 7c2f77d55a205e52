#include "app/ui/CellGrid.h"

#include <algorithm>

#include "app/ui/TextCells.h"

namespace devio::app::ui {

namespace {

std::string Sgr(uint8_t attributes) {
    std::string sequence = "\x1b[0";
    if (attributes & kAttrBold) {
        sequence += ";1";
    }
    if (attributes & kAttrDim) {
        sequence += ";2";
    }
    if (attributes & kAttrReverse) {
        sequence += ";7";
    }
    return sequence + "m";
}

} // namespace

void CCellGrid::EnsureRows(int rows) {
    while (Height() < rows) {
        m_rows.emplace_back(static_cast<size_t>(m_width));
    }
}

void CCellGrid::Blank(std::vector<Cell>& row, int column) {
    Cell& cell = row[static_cast<size_t>(column)];
    if (cell.glyph.empty() && column > 0) {
        row[static_cast<size_t>(column - 1)] = Cell{};
    } else if (column + 1 < m_width && row[static_cast<size_t>(column + 1)].glyph.empty()) {
        row[static_cast<size_t>(column + 1)] = Cell{};
    }
    cell = Cell{};
}

int CCellGrid::Put(int row, int column, std::string_view text, uint8_t attributes, int limit) {
    if (row < 0 || column < 0 || column >= m_width) {
        return 0;
    }
    EnsureRows(row + 1);
    std::vector<Cell>& cells = m_rows[static_cast<size_t>(row)];
    const int end = std::min(m_width, limit > m_width ? m_width : column + limit);
    int at = column;
    for (Glyph& glyph : SplitGlyphs(text)) {
        if (at + glyph.width > end) {
            break;
        }
        for (int i = 0; i < glyph.width; ++i) {
            Blank(cells, at + i);
        }
        cells[static_cast<size_t>(at)] = Cell{std::move(glyph.bytes), attributes};
        if (glyph.width == 2) {
            cells[static_cast<size_t>(at + 1)] = Cell{std::string(), attributes};
        }
        at += glyph.width;
    }
    return at - column;
}

void CCellGrid::Fill(int row, int column, int count, std::string_view glyph, uint8_t attributes) {
    for (int i = 0; i < count; ++i) {
        Put(row, column + i, glyph, attributes, 1);
    }
}

size_t CCellGrid::UsedLength(const std::vector<Cell>& row) const {
    size_t length = row.size();
    while (length > 0 && row[length - 1].glyph == " " && row[length - 1].attributes == kAttrNone) {
        --length;
    }
    return length;
}

std::string CCellGrid::RowText(int row) const {
    const std::vector<Cell>& cells = m_rows.at(static_cast<size_t>(row));
    std::string text;
    uint8_t current = kAttrNone;
    for (size_t i = 0, used = UsedLength(cells); i < used; ++i) {
        if (cells[i].attributes != current) {
            current = cells[i].attributes;
            text += Sgr(current);
        }
        text += cells[i].glyph;
    }
    if (current != kAttrNone) {
        text += Sgr(kAttrNone);
    }
    return text;
}

std::string CCellGrid::PlainRowText(int row) const {
    const std::vector<Cell>& cells = m_rows.at(static_cast<size_t>(row));
    std::string text;
    for (size_t i = 0, used = UsedLength(cells); i < used; ++i) {
        text += cells[i].glyph;
    }
    return text;
}

} // namespace devio::app::ui

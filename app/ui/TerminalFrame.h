// The dialog laid out for a terminal: a title bar, the visible controls placed as the dialog
// template places them (across the width in proportion to their template positions, rows stacked
// downwards as their texts need), a line of key hints, and an open message box drawn over the
// middle. When the frame does not fit the terminal's height, list entries are cut instead of
// wrapped and the blank rows between controls are left out.
#pragma once

#include <string>
#include <vector>

#include "app/ui/CellGrid.h"

namespace devio::app::ui {

class CDialogHost;

// The widest frame drawn, in columns (the template's 401 dialog units at four units a column).
inline constexpr int kMaxFrameColumns = 100;

// The frame for a terminal of `columns` by `rows`.
CCellGrid RenderDialogFrame(const CDialogHost& host, int columns, int rows);

} // namespace devio::app::ui

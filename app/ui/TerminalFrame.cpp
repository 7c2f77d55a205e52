#include "app/ui/TerminalFrame.h"

#include <algorithm>

#include "app/ui/DialogHost.h"
#include "app/ui/TextCells.h"

namespace devio::app::ui {

namespace {

constexpr int kMinFrameColumns = 24;
// A vertical gap of this many dialog units between two controls keeps a blank row between them.
constexpr int kGapUnits = 8;
constexpr int kMessageBoxColumns = 64;
constexpr const char* kCloseButtonName = "close";

// The product picture, drawn in place of the picture control's icon.
constexpr const char* kPicture[] = {"╭─┬─╮", "│ │ │", "│   │", "╰───╯"};
constexpr int kPictureColumns = 5;

struct FrameOptions {
    bool wrapLists = true;
    bool gaps = true;
};

std::string Repeat(std::string_view glyph, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += glyph;
    }
    return text;
}

class CFrameBuilder {
public:
    CFrameBuilder(const CDialogHost& host, int width, FrameOptions options)
        : m_host(host), m_grid(width), m_options(options) {}

    CCellGrid Build() {
        DrawTitle();
        int end = PlaceControls(m_options.gaps ? 2 : 1);
        DrawHints(end + (m_options.gaps ? 1 : 0));
        if (m_host.OpenMessageBox()) {
            DrawMessageBox(*m_host.OpenMessageBox());
        }
        return std::move(m_grid);
    }

private:
    int Width() const { return m_grid.Width(); }
    int Inner() const { return Width() - 2; }

    // The frame column of a horizontal template position.
    int ColumnOf(int x) const {
        int templateWidth = std::max(m_host.Template().width, 1);
        return 1 + std::clamp(x, 0, templateWidth) * Inner() / templateWidth;
    }

    void DrawTitle() {
        m_grid.Fill(0, 0, Width(), " ", kAttrReverse);
        m_grid.Put(0, 1, Ellipsize(m_host.WindowText(), Inner()), kAttrReverse | kAttrBold);
    }

    // Stacks the visible controls from `top` down; returns the first row below all of them.
    int PlaceControls(int top) {
        std::vector<const Control*> visible = m_host.ControlsInReadingOrder();
        std::erase_if(visible, [](const Control* control) { return !control->visible; });
        // Per column: the next free row, and the template bottom of what occupies it.
        std::vector<int> nextRow(static_cast<size_t>(Width()), top);
        std::vector<int> bottomUnits(static_cast<size_t>(Width()), -1);
        for (const Control* control : visible) {
            const ControlTemplate& layout = control->layout;
            int first = ColumnOf(layout.x);
            int span = std::max(ColumnOf(layout.x + layout.width) - first, 1);
            if (layout.kind == ControlKind::Picture) {
                span = std::clamp(Width() - 1 - first, 1, kPictureColumns); // its own size
            }
            auto from = static_cast<size_t>(first);
            auto to = static_cast<size_t>(std::min(first + span, Width()));
            int row = *std::max_element(nextRow.begin() + from, nextRow.begin() + to);
            int above = *std::max_element(bottomUnits.begin() + from, bottomUnits.begin() + to);
            if (m_options.gaps && above >= 0 && layout.y - above >= kGapUnits) {
                ++row;
            }
            int height = DrawControl(*control, row, first, span);
            if (height == 0) {
                continue;
            }
            std::fill(nextRow.begin() + from, nextRow.begin() + to, row + height);
            std::fill(bottomUnits.begin() + from, bottomUnits.begin() + to,
                      layout.y + layout.height);
        }
        return *std::max_element(nextRow.begin(), nextRow.end());
    }

    // Draws a control at `row` in the columns from `column` on; returns the rows it takes.
    int DrawControl(const Control& control, int row, int column, int span) {
        switch (control.layout.kind) {
        case ControlKind::Static:
            return DrawLines(WrapText(control.text, span), row, column, span,
                             control.IsBold() ? kAttrBold : kAttrNone);
        case ControlKind::ListBox:
            return DrawListBox(control, row, column, span);
        case ControlKind::ProgressBar:
            DrawProgress(control.progress, row, column, span);
            return 1;
        case ControlKind::PushButton: {
            std::string label = "[ " + control.text + " ]";
            int offset = std::max(0, (span - TextWidth(label)) / 2);
            m_grid.Put(row, column + offset, label, kAttrReverse | kAttrBold, span - offset);
            return 1;
        }
        case ControlKind::Picture:
            for (int i = 0; i < 4; ++i) {
                m_grid.Put(row + i, column, kPicture[i], kAttrNone, span);
            }
            return 4;
        }
        return 0;
    }

    int DrawLines(const std::vector<std::string>& lines, int row, int column, int span,
                  uint8_t attributes) {
        if (lines.size() == 1 && lines[0].empty()) {
            return 0;
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            m_grid.Put(row + static_cast<int>(i), column, lines[i], attributes, span);
        }
        return static_cast<int>(lines.size());
    }

    int DrawListBox(const Control& control, int row, int column, int span) {
        int inner = std::max(span - 2, 1);
        std::vector<std::string> lines;
        for (const std::string& entry : control.lines) {
            if (!m_options.wrapLists) {
                lines.push_back(Ellipsize(entry, inner));
                continue;
            }
            // Continuation lines are indented under the entry's text.
            std::vector<std::string> wrapped = WrapText(entry, std::max(inner - 2, 1));
            for (size_t i = 0; i < wrapped.size(); ++i) {
                lines.push_back(i == 0 ? wrapped[i] : "  " + wrapped[i]);
            }
        }
        if (lines.empty()) {
            lines.emplace_back();
        }
        m_grid.Put(row, column, "┌" + Repeat("─", inner) + "┐", kAttrNone, span);
        for (size_t i = 0; i < lines.size(); ++i) {
            int at = row + 1 + static_cast<int>(i);
            m_grid.Put(at, column, "│", kAttrNone, 1);
            m_grid.Put(at, column + 1, lines[i], kAttrNone, inner);
            m_grid.Put(at, column + 1 + inner, "│", kAttrNone, 1);
        }
        int bottom = row + 1 + static_cast<int>(lines.size());
        m_grid.Put(bottom, column, "└" + Repeat("─", inner) + "┘", kAttrNone, span);
        return static_cast<int>(lines.size()) + 2;
    }

    void DrawProgress(const ProgressState& progress, int row, int column, int span) {
        int percent = progress.Percent();
        std::string number = std::to_string(percent) + "%";
        number.insert(0, 5 - number.size(), ' ');
        int bar = std::max(span - 5, 1);
        int filled = percent * bar / 100;
        m_grid.Put(row, column, Repeat("█", filled) + Repeat("░", bar - filled), kAttrNone, bar);
        m_grid.Put(row, column + bar, number, kAttrNone, 5);
    }

    void DrawHints(int row) {
        std::string hints;
        if (m_host.OpenMessageBox()) {
            hints = "[Y] Yes   [N] No";
        } else {
            bool first = true;
            for (const Control& control : m_host.Controls()) {
                if (control.layout.kind != ControlKind::PushButton || !control.visible) {
                    continue;
                }
                std::string keys = first ? "Enter" : "";
                if (control.layout.key != 0) {
                    keys += (keys.empty() ? "" : "/") + std::string(1, control.layout.key);
                }
                if (!keys.empty()) {
                    hints += "[" + keys + "] " + control.text + "   ";
                }
                first = false;
            }
            const Control* close = m_host.GetControl(kCloseButtonName);
            hints += "[Esc] " + (close != nullptr ? close->text : std::string("Cancel"));
        }
        m_grid.Put(row, 1, hints, kAttrDim, Inner());
    }

    void DrawMessageBox(const MessageBoxRequest& box) {
        int width = std::min(Width() - 2, kMessageBoxColumns);
        int inner = width - 2;
        std::vector<std::string> text = WrapText(box.text, std::max(inner - 6, 1));
        std::vector<std::string> body;
        body.emplace_back();
        for (size_t i = 0; i < text.size(); ++i) {
            bool warning = (box.style & kMbIconMask) == kMbIconWarning;
            body.push_back((i == 0 && warning ? "  ⚠  " : "     ") + text[i]);
        }
        body.emplace_back();
        std::string buttons = "[ Yes ]   [ No ]";
        body.push_back(
            std::string(static_cast<size_t>(std::max(0, (inner - TextWidth(buttons)) / 2)), ' ') +
            buttons);
        body.emplace_back();

        int height = static_cast<int>(body.size()) + 2;
        int column = (Width() - width) / 2;
        int top = std::max(2, (m_grid.Height() - height) / 2);
        m_grid.EnsureRows(top + height);
        std::string caption = " " + Ellipsize(box.caption, inner - 4) + " ";
        m_grid.Put(top, column, "┌─", kAttrNone);
        int used = m_grid.Put(top, column + 2, caption, kAttrBold);
        m_grid.Put(top, column + 2 + used, Repeat("─", inner - 1 - used) + "┐", kAttrNone);
        for (size_t i = 0; i < body.size(); ++i) {
            int row = top + 1 + static_cast<int>(i);
            m_grid.Put(row, column, "│", kAttrNone);
            m_grid.Fill(row, column + 1, inner, " ", kAttrNone);
            m_grid.Put(row, column + 1, body[i], kAttrNone, inner);
            m_grid.Put(row, column + 1 + inner, "│", kAttrNone);
        }
        m_grid.Put(top + height - 1, column, "└" + Repeat("─", inner) + "┘", kAttrNone);
    }

    const CDialogHost& m_host;
    CCellGrid m_grid;
    FrameOptions m_options;
};

} // namespace

CCellGrid RenderDialogFrame(const CDialogHost& host, int columns, int rows) {
    int width = std::clamp(columns, kMinFrameColumns, kMaxFrameColumns);
    constexpr FrameOptions kTries[] = {{true, true}, {false, true}, {false, false}};
    CCellGrid frame(width);
    for (const FrameOptions& options : kTries) {
        frame = CFrameBuilder(host, width, options).Build();
        if (frame.Height() <= rows) {
            break;
        }
    }
    return frame;
}

} // namespace devio::app::ui

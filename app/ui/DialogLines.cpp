#include "app/ui/DialogLines.h"

#include "app/ui/DialogHost.h"

namespace devio::app::ui {

namespace {

DialogLine TextLine(const Control& control) {
    DialogLine line;
    line.kind = control.layout.name == kStatusControlName ? LineKind::Status : LineKind::Text;
    line.name = control.layout.name;
    line.text = control.text;
    return line;
}

DialogLine ItemLine(const Control& control, size_t index) {
    DialogLine line;
    line.kind = LineKind::Item;
    line.name = control.layout.name;
    line.text = control.lines[index];
    line.number = static_cast<int>(index);
    return line;
}

DialogLine ProgressLine(const Control& control) {
    DialogLine line;
    line.kind = LineKind::Progress;
    line.name = control.layout.name;
    line.visible = control.visible;
    line.percent = control.progress.Percent();
    line.position = control.progress.position;
    line.upper = control.progress.upper;
    return line;
}

DialogLine ButtonsLine(const CDialogHost& host) {
    DialogLine line;
    line.kind = LineKind::Buttons;
    for (const Control& control : host.Controls()) {
        if (control.layout.kind == ControlKind::PushButton && control.visible) {
            line.text += (line.text.empty() ? "" : "+") + control.layout.name;
        }
    }
    if (line.text.empty()) {
        line.text = "none";
    }
    return line;
}

DialogLine TitleLine(const CDialogHost& host) {
    DialogLine line;
    line.kind = LineKind::Title;
    line.text = host.WindowText();
    return line;
}

DialogLine StateLine(int state) {
    DialogLine line;
    line.kind = LineKind::State;
    line.number = state;
    return line;
}

} // namespace

std::string DialogLine::Key() const {
    switch (kind) {
    case LineKind::Title:
        return "title";
    case LineKind::Text:
        return "text " + name;
    case LineKind::Status:
        return "status";
    case LineKind::Item:
        return "item " + name + " " + std::to_string(number);
    case LineKind::Progress:
        return "progress " + name;
    case LineKind::Buttons:
        return "buttons";
    case LineKind::State:
        return "state";
    }
    return {};
}

std::vector<DialogLine> DescribeDialog(const CDialogHost& host) {
    std::vector<DialogLine> lines;
    if (!host.WindowText().empty()) {
        lines.push_back(TitleLine(host));
    }
    if (host.DialogState()) {
        lines.push_back(StateLine(*host.DialogState()));
    }
    bool buttonsDescribed = false;
    for (const Control* next : host.ControlsInReadingOrder()) {
        const Control& control = *next;
        switch (control.layout.kind) {
        case ControlKind::Static:
            if (!control.text.empty()) {
                lines.push_back(TextLine(control));
            }
            break;
        case ControlKind::ListBox:
            for (size_t i = 0; i < control.lines.size(); ++i) {
                lines.push_back(ItemLine(control, i));
            }
            break;
        case ControlKind::ProgressBar:
            lines.push_back(ProgressLine(control));
            break;
        case ControlKind::PushButton:
            if (!buttonsDescribed) {
                lines.push_back(ButtonsLine(host));
                buttonsDescribed = true;
            }
            break;
        case ControlKind::Picture:
            break;
        }
    }
    return lines;
}

std::vector<DialogLine> DescribeChange(const CDialogHost& host, const DialogChange& change) {
    if (change.kind == ChangeKind::Title) {
        return {TitleLine(host)};
    }
    if (change.kind == ChangeKind::State) {
        return host.DialogState() ? std::vector{StateLine(*host.DialogState())}
                                  : std::vector<DialogLine>{};
    }
    const Control* control = host.GetControl(change.id);
    if (control == nullptr) {
        return {};
    }
    ControlKind kind = control->layout.kind;
    switch (change.kind) {
    case ChangeKind::Text:
        if (kind == ControlKind::Static) {
            return {TextLine(*control)};
        }
        break;
    case ChangeKind::Visibility:
        if (kind == ControlKind::PushButton) {
            return {ButtonsLine(host)};
        }
        if (kind == ControlKind::ProgressBar) {
            return {ProgressLine(*control)};
        }
        break;
    case ChangeKind::ListLines:
        if (!control->lines.empty()) {
            return {ItemLine(*control, control->lines.size() - 1)};
        }
        break;
    case ChangeKind::Progress:
        return {ProgressLine(*control)};
    default:
        break;
    }
    return {};
}

bool CDialogLineFilter::IsNew(const DialogLine& line) {
    // The progress bar changes visibly only when it is shown or hidden or reaches another whole
    // percent; the position it carries is not part of what is compared.
    std::string seen;
    switch (line.kind) {
    case LineKind::Progress:
        seen = line.visible ? std::to_string(line.percent) : "hidden";
        break;
    case LineKind::State:
        seen = std::to_string(line.number);
        break;
    default:
        seen = line.text;
        break;
    }
    auto [entry, inserted] = m_last.try_emplace(line.Key(), seen);
    if (inserted) {
        return true;
    }
    if (entry->second == seen) {
        return false;
    }
    entry->second = std::move(seen);
    return true;
}

} // namespace devio::app::ui

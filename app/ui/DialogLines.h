// The dialog as a sequence of line records, for the views that write lines instead of drawing: each
// visible aspect of the dialog (the title, a text, a release note, the progress, the button shown)
// becomes one record, and a view writes a record only when it differs from the last one it wrote
// for the same aspect. The headless view and the terminal view's plain-line mode format them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/ui/DialogModel.h"

namespace devio::app::ui {

class CDialogHost;

enum class LineKind {
    Title,    // text: the window title
    Text,     // name, text: a static text other than the status
    Status,   // text: the static text named "status"
    Item,     // name, text: an entry added to a list box
    Progress, // visible, percent, position, upper: the progress bar
    Buttons,  // text: the names of the visible push buttons joined by '+', or "none"
    State,    // number: the state of the dialog's behaviour
};

struct DialogLine {
    LineKind kind = LineKind::Text;
    std::string name;
    std::string text;
    bool visible = true;
    int percent = 0;
    int position = 0;
    int upper = 0;
    int number = 0;

    // Which aspect the record describes: records with the same key replace each other.
    std::string Key() const;
};

// The name of the static text that holds the status.
inline constexpr const char* kStatusControlName = "status";

// The records of every visible aspect of the dialog: the title, the state, then the controls in
// reading order.
std::vector<DialogLine> DescribeDialog(const CDialogHost& host);
// The records that `change` touches.
std::vector<DialogLine> DescribeChange(const CDialogHost& host, const DialogChange& change);

// Remembers the last record written per aspect.
class CDialogLineFilter {
public:
    // True when `line` differs from the last record of its aspect (which it then becomes).
    bool IsNew(const DialogLine& line);

private:
    std::map<std::string, std::string> m_last;
};

} // namespace devio::app::ui

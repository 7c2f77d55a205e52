// What a dialog is made of and what its views render: the template that lays out its controls, the
// live state of each control, the question of an open message box, and the notice a view receives
// when something visible changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace devio::app::ui {

// Command ids of the dialog: the OK and Cancel commands, and the answers of a message box.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2; // Escape, the close box
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Message box styles: the buttons in the low four bits, the icon in the next four.
inline constexpr uint32_t kMbYesNo = 0x04;
inline constexpr uint32_t kMbButtonsMask = 0x0F;
inline constexpr uint32_t kMbIconWarning = 0x30;
inline constexpr uint32_t kMbIconMask = 0xF0;

// Font weight from which a text is drawn bold.
inline constexpr int kFontWeightBold = 700;

enum class ControlKind { Static, ListBox, ProgressBar, PushButton, Picture };

// One control of a dialog template. Positions and sizes are in dialog units (a quarter of the
// average character width across, an eighth of the character height down).
struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    // How views and scripts refer to the control ("status", "start").
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool visible = true;
    // Push buttons: the key that presses the button (an upper-case letter), 0 for none.
    char key = 0;
};

// A dialog template: its size in dialog units and its controls in tab order. Push buttons at the
// same position share one place: showing one hides the others.
struct DialogTemplate {
    int id = 0;
    int width = 0;
    int height = 0;
    std::vector<ControlTemplate> controls;
};

struct ProgressState {
    int lower = 0;
    int upper = 100;
    int step = 10;
    int position = 0;

    // Position within the range, 0 to 100; 0 for an empty range.
    int Percent() const {
        long long span = static_cast<long long>(upper) - lower;
        long long done = static_cast<long long>(position) - lower;
        if (span <= 0 || done <= 0) {
            return 0;
        }
        return done >= span ? 100 : static_cast<int>(done * 100 / span);
    }
};

// The live state of one control.
struct Control {
    ControlTemplate layout;
    std::string text; // UTF-8; "\r\n" and "\n" both break lines
    bool visible = true;
    int fontWeight = 400;
    std::vector<std::string> lines; // list box entries
    int horizontalExtent = 0;       // list box, in pixels
    ProgressState progress;         // progress bar
    uint32_t pictureIcon = 0;       // picture: icon resource and the size it was loaded at
    int pictureWidth = 0;
    int pictureHeight = 0;

    bool IsBold() const { return fontWeight >= kFontWeightBold; }
};

// A question that waits for its answer in a message box.
struct MessageBoxRequest {
    std::string caption;
    std::string text;
    uint32_t style = 0;
};

// What changed, for a view: which aspect, and of which control (0 for the dialog itself).
enum class ChangeKind {
    Title,
    Icon,
    Text,
    Visibility,
    ListLines,
    ListExtent,
    Font,
    Progress,
    Picture,
    State
};

struct DialogChange {
    ChangeKind kind = ChangeKind::Text;
    int id = 0;
};

} // namespace devio::app::ui

// The dialog that vantor-dfu runs: the update dialog, shown as a desktop window, in the terminal or
// written as lines for scripts on the process's standard input and output, optionally driven by
// the unattended mode.
#pragma once

#include <functional>
#include <memory>

#include "app/IToolDialog.h"
#include "app/ui/IDialogView.h"

namespace devio::app {

enum class ToolUi { Window, Terminal, Headless };

// Whether a desktop display is there to open a window on: DISPLAY or WAYLAND_DISPLAY is set and
// not empty.
bool DesktopDisplayAvailable();

// The window when it was built (`windowBuilt`) and a display is available; else the terminal view
// when standard output is a terminal, the headless view otherwise.
ToolUi DefaultToolUi(bool windowBuilt);

struct ToolDialogSetup {
    ToolUi ui = ToolUi::Headless;
    // Makes the desktop window's view; empty where the window was not built.
    std::function<std::unique_ptr<ui::IDialogView>()> makeWindowView;
    // Unattended mode: the dialog is driven by CUnattendedDriver, which waits `waitSeconds` for
    // the mouse and leaves the run's exit status in `exitStatus`.
    bool unattended = false;
    int waitSeconds = 60;
    std::shared_ptr<int> exitStatus;
};

// Builds the update dialog with the chosen view on standard input and output. The headless view
// lets its input answer the profile question, unless the run is unattended.
ToolDialogFactory MakeToolDialogFactory(ToolDialogSetup setup);

} // namespace devio::app

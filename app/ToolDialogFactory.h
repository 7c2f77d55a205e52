// The dialog that vantor-dfu runs: the update dialog, shown in the terminal or written as lines for
// scripts, on the process's standard input and output, optionally driven by the unattended mode.
#pragma once

#include <memory>

#include "app/IToolDialog.h"

namespace devio::app {

enum class ToolUi { Terminal, Headless };

// The terminal view when standard output is a terminal, the headless view otherwise.
ToolUi DefaultToolUi();

struct ToolDialogSetup {
    ToolUi ui = ToolUi::Headless;
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

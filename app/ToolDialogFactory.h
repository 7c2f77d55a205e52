// The dialog that vantor-dfu runs: the update dialog, shown in the terminal or written as lines for
// scripts, on the process's standard input and output.
#pragma once

#include "app/IToolDialog.h"

namespace devio::app {

enum class ToolUi { Terminal, Headless };

// The terminal view when standard output is a terminal, the headless view otherwise.
ToolUi DefaultToolUi();

// Builds the update dialog with the view `choice` on standard input and output. The headless view
// lets its input answer the profile question.
ToolDialogFactory MakeToolDialogFactory(ToolUi choice);

} // namespace devio::app

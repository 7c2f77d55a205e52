// The seam between the application object and the dialog host: the tool's one dialog, built once
// the command line has been parsed and then run modally. The dialog host provides the real dialog.
#pragma once

#include <functional>
#include <memory>

namespace devio::app {

class IToolDialog {
public:
    virtual ~IToolDialog() = default;
    // Runs the dialog until it ends, by the user or by the tool's own exit countdown. False when
    // the dialog could not be created.
    [[nodiscard]] virtual bool RunModal() = 0;
};

// Builds the dialog; the constructor of the update dialog begins the log run with "/LOG". An empty
// result counts as a dialog that could not be created.
using ToolDialogFactory = std::function<std::unique_ptr<IToolDialog>()>;

} // namespace devio::app

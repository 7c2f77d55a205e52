#include "app/ToolDialogFactory.h"

#include <unistd.h>

#include <cstdlib>

#include "app/ProductSettings.h"
#include "app/UnattendedDriver.h"
#include "app/VantorDFUDlg.h"
#include "app/ui/HeadlessView.h"
#include "app/ui/TerminalView.h"

namespace devio::app {

bool DesktopDisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

ToolUi DefaultToolUi(bool windowBuilt) {
    if (windowBuilt && DesktopDisplayAvailable()) {
        return ToolUi::Window;
    }
    return isatty(STDOUT_FILENO) == 1 ? ToolUi::Terminal : ToolUi::Headless;
}

ToolDialogFactory MakeToolDialogFactory(ToolDialogSetup setup) {
    return [setup]() -> std::unique_ptr<IToolDialog> {
        std::vector<std::unique_ptr<ui::IDialogView>> views;
        if (setup.ui == ToolUi::Window && setup.makeWindowView) {
            views.push_back(setup.makeWindowView());
        } else if (setup.ui == ToolUi::Terminal) {
            views.push_back(std::make_unique<ui::CTerminalView>(STDIN_FILENO, STDOUT_FILENO));
        } else {
            views.push_back(std::make_unique<ui::CHeadlessView>(
                STDOUT_FILENO, STDIN_FILENO,
                setup.unattended ? ui::CHeadlessView::AnswerPolicy::Yes
                                 : ui::CHeadlessView::AnswerPolicy::Ask));
        }
        if (setup.unattended) {
            views.push_back(
                std::make_unique<CUnattendedDriver>(setup.waitSeconds, setup.exitStatus));
        }
        return std::make_unique<CVantorDFUDlg>(std::move(views),
                                               CCompanion(BuildRegistryKeyPath()));
    };
}

} // namespace devio::app

#include "app/ToolDialogFactory.h"

#include <unistd.h>

#include "app/ProductSettings.h"
#include "app/VantorDFUDlg.h"
#include "app/ui/HeadlessView.h"
#include "app/ui/TerminalView.h"

namespace devio::app {

ToolUi DefaultToolUi() {
    return isatty(STDOUT_FILENO) == 1 ? ToolUi::Terminal : ToolUi::Headless;
}

ToolDialogFactory MakeToolDialogFactory(ToolUi choice) {
    return [choice]() -> std::unique_ptr<IToolDialog> {
        std::vector<std::unique_ptr<ui::IDialogView>> views;
        if (choice == ToolUi::Terminal) {
            views.push_back(std::make_unique<ui::CTerminalView>(STDIN_FILENO, STDOUT_FILENO));
        } else {
            views.push_back(std::make_unique<ui::CHeadlessView>(
                STDOUT_FILENO, STDIN_FILENO, ui::CHeadlessView::AnswerPolicy::Ask));
        }
        return std::make_unique<CVantorDFUDlg>(std::move(views),
                                               CCompanion(BuildRegistryKeyPath()));
    };
}

} // namespace devio::app

// vantor-dfu: the Vantor firmware update tool.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ToolCommandLine.h"
#include "app/VantorDFUApp.h"

int main(int argc, char** argv) {
    using namespace devio::app;
    CToolCommandLine commandLine =
        CToolCommandLine::Parse(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "vantor-dfu: %s\nTry 'vantor-dfu --help' for more information.\n",
                     commandLine.error.c_str());
        return 2;
    }
    if (commandLine.help || commandLine.version) {
        std::fputs((commandLine.help ? ToolUsage() : ToolVersion()).c_str(), stdout);
        return 0;
    }
    // A reader of the dialog's lines that goes away must not end an update half-way.
    std::signal(SIGPIPE, SIG_IGN);
    // The slash options arrive as the original platform hands them over: wide strings without
    // the executable's name. Bytes that are not UTF-8 survive the conversion (TextEncoding.h).
    CVantorDFUApp app(std::move(commandLine.toolArguments),
                      MakeToolDialogFactory(commandLine.ui.value_or(DefaultToolUi())));
    app.InitInstance();
    return 0;
}

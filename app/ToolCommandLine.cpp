#include "app/ToolCommandLine.h"

#include <string_view>

#include "app/ProductSettings.h"
#include "app/TextEncoding.h"

namespace devio::app {

namespace {

constexpr std::string_view kUiOption = "--ui=";

bool IsOptionOfThisBuild(std::string_view argument) {
    return argument.size() > 2 && argument.starts_with("--") &&
           ((argument[2] >= 'a' && argument[2] <= 'z') ||
            (argument[2] >= 'A' && argument[2] <= 'Z'));
}

} // namespace

CToolCommandLine CToolCommandLine::Parse(const std::vector<std::string>& arguments) {
    CToolCommandLine commandLine;
    for (const std::string& argument : arguments) {
        if (!IsOptionOfThisBuild(argument)) {
            commandLine.toolArguments.push_back(WideFromUtf8(argument));
        } else if (argument == "--help") {
            commandLine.help = true;
        } else if (argument == "--version") {
            commandLine.version = true;
        } else if (argument.starts_with(kUiOption)) {
            std::string_view value = std::string_view(argument).substr(kUiOption.size());
            if (value == "terminal") {
                commandLine.ui = ToolUi::Terminal;
            } else if (value == "headless") {
                commandLine.ui = ToolUi::Headless;
            } else if (commandLine.error.empty()) {
                commandLine.error =
                    "--ui takes \"terminal\" or \"headless\", not \"" + std::string(value) + "\"";
            }
        } else if (commandLine.error.empty()) {
            commandLine.error = "unknown option " + argument;
        }
    }
    return commandLine;
}

std::string ToolUsage() {
    return "Usage: vantor-dfu [OPTION]...\n"
           "Updates the firmware of the Varkon " +
           std::string(kProductName) + " to version " + std::string(kPackageVersion) +
           ".\n"
           "\n"
           "Options of the update (letter case is ignored, except in /FORCEDIR= and "
           "/FAILDEVICE=):\n"
           "  /FORCE             update even when the mouse's firmware is current\n"
           "  /SKIPDEVICE        go through the bootloader without sending the images (testing)\n"
           "  /LOG               also write the update trace to VantorFirmwareUpdate.log in the\n"
           "                     Documents folder\n"
           "  /FORCEDIR=FOLDER   take the firmware images from FOLDER (QRT*.dfu, s132*.dfu);\n"
           "                     implies /FORCE\n"
           "  /FAILDEVICE=N      accepted for compatibility; has no effect\n"
           "\n"
           "Options of this build:\n"
           "  --ui=terminal      draw the dialog in the terminal (the default when the output\n"
           "                     is a terminal); keys: Enter or S Start, C Close, Esc close\n"
           "                     box, Y or N in a question\n"
           "  --ui=headless      write one line per change of the dialog and read commands\n"
           "                     (start, close, cancel, yes, no) line by line from the input\n"
           "                     (the default when the output is not a terminal)\n"
           "  --help             show this help and exit\n"
           "  --version          show the version and exit\n";
}

std::string ToolVersion() {
    return "vantor-dfu " + std::string(kPackageVersion) + "\n";
}

} // namespace devio::app

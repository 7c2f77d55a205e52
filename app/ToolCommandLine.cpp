#include "app/ToolCommandLine.h"

#include <string_view>

#include "app/ProductSettings.h"
#include "app/TextEncoding.h"

namespace devio::app {

namespace {

constexpr std::string_view kUiOption = "--ui=";
constexpr std::string_view kSimulateOption = "--simulate";
constexpr std::string_view kSimulateReportOption = "--simulate-report=";
constexpr std::string_view kSimulateFaultOption = "--simulate-fault=";
constexpr std::string_view kWaitOption = "--wait=";
// Longest wait that unattended mode accepts: a day.
constexpr int kMaxWaitSeconds = 86400;

// Seconds as plain decimal digits, 1 to kMaxWaitSeconds: a wait of 0 would give up before the
// library has had a chance to find anything.
std::optional<int> ParseSeconds(std::string_view text) {
    if (text.empty() || text.size() > 6) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= kMaxWaitSeconds ? std::optional<int>(value) : std::nullopt;
}

bool IsOptionOfThisBuild(std::string_view argument) {
    return argument.size() > 2 && argument.starts_with("--") &&
           ((argument[2] >= 'a' && argument[2] <= 'z') ||
            (argument[2] >= 'A' && argument[2] <= 'Z'));
}

} // namespace

CToolCommandLine CToolCommandLine::Parse(const std::vector<std::string>& arguments) {
    CToolCommandLine commandLine;
    auto fail = [&](std::string error) {
        if (commandLine.error.empty()) {
            commandLine.error = std::move(error);
        }
    };
    for (const std::string& argument : arguments) {
        std::string_view view = argument;
        if (!IsOptionOfThisBuild(argument)) {
            commandLine.toolArguments.push_back(WideFromUtf8(argument));
        } else if (argument == "--help") {
            commandLine.help = true;
        } else if (argument == "--version") {
            commandLine.version = true;
        } else if (argument == "--unattended") {
            commandLine.unattended = true;
        } else if (argument == kSimulateOption) {
            commandLine.simulate = sim::FirmwareVersion::parse(kDefaultSimulatedVersion);
        } else if (view.starts_with(std::string(kSimulateOption) + "=")) {
            std::string_view value = view.substr(kSimulateOption.size() + 1);
            commandLine.simulate = sim::FirmwareVersion::parse(value);
            if (!commandLine.simulate) {
                fail("--simulate takes a version MAJOR.MINOR.BUILD (up to 99.99.9999), not \"" +
                     std::string(value) + "\"");
            }
        } else if (view.starts_with(kSimulateReportOption)) {
            commandLine.simulateReport = argument.substr(kSimulateReportOption.size());
            if (commandLine.simulateReport.empty()) {
                fail("--simulate-report needs a file name");
            }
        } else if (view.starts_with(kSimulateFaultOption)) {
            std::string reason;
            std::optional<SimulatedFault> fault =
                SimulatedFault::Parse(view.substr(kSimulateFaultOption.size()), reason);
            if (fault) {
                commandLine.simulateFaults.push_back(*fault);
            } else {
                fail("--simulate-fault: " + reason);
            }
        } else if (view.starts_with(kWaitOption)) {
            std::optional<int> seconds = ParseSeconds(view.substr(kWaitOption.size()));
            if (seconds) {
                commandLine.waitSeconds = *seconds;
            } else {
                fail("--wait takes a number of seconds from 1 to " +
                     std::to_string(kMaxWaitSeconds) + ", not \"" +
                     argument.substr(kWaitOption.size()) + "\"");
            }
        } else if (argument.starts_with(kUiOption)) {
            std::string_view value = std::string_view(argument).substr(kUiOption.size());
            if (value == "terminal") {
                commandLine.ui = ToolUi::Terminal;
            } else if (value == "headless") {
                commandLine.ui = ToolUi::Headless;
            } else if (value == "gui") {
                commandLine.ui = ToolUi::Window;
            } else {
                fail("--ui takes \"gui\", \"terminal\" or \"headless\", not \"" +
                     std::string(value) + "\"");
            }
        } else {
            fail("unknown option " + argument);
        }
    }
    if (!commandLine.simulateReport.empty() && !commandLine.simulate) {
        fail("--simulate-report needs --simulate");
    }
    if (!commandLine.simulateFaults.empty() && !commandLine.simulate) {
        fail("--simulate-fault needs --simulate");
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
           "  --simulate[=VERSION]  update a built-in virtual receiver and mouse instead of\n"
           "                     real devices; the mouse runs VERSION (default 8.6.27)\n"
           "  --simulate-report=FILE  with --simulate: write the virtual mouse's final state\n"
           "                     to FILE as JSON when the tool ends\n"
           "  --simulate-fault=SPEC  with --simulate: switch on a fault of the virtual mouse\n"
           "                     (repeatable). SPEC is KIND@IMAGE:PACKET[:VALUE], IMAGE A\n"
           "                     (application, sent second) or B (radio stack, sent first),\n"
           "                     PACKET from 1 (the start block) within the image:\n"
           "                       drop-link[:MS]    the link is lost (default 2000 ms)\n"
           "                       lose-answer       the packet's answer is lost\n"
           "                       late-answer[:MS]  the answer comes late (default 1000 ms)\n"
           "                       bad-status[:CODE] the packet is refused (default 7)\n"
           "                       power-off[:MS]    the power is back after MS (default 3000)\n"
           "                     or, without a place, no-bootloader-announce (the bootloader\n"
           "                     returns unannounced) or other-program (another program's\n"
           "                     traffic throughout)\n"
           "  --unattended       press Start when offered, answer Yes, close at the end; exit\n"
           "                     status 0 updated, 2 already up to date, 3 no receiver or\n"
           "                     mouse found within the wait, 4 updated but the on-board\n"
           "                     profile not repaired, 1 any failure\n"
           "  --wait=SECONDS     how long --unattended waits for a receiver and mouse before\n"
           "                     the update begins (1 to 86400, default 60)\n"
           "  --ui=gui           show the dialog as a desktop window (the default when a\n"
           "                     display is available, DISPLAY or WAYLAND_DISPLAY, and this\n"
           "                     build has the window)\n"
           "  --ui=terminal      draw the dialog in the terminal (the default without a\n"
           "                     display when the output is a terminal); keys: Enter or S Start, C "
           "Close, Esc close\n"
           "                     box, Y or N in a question\n"
           "  --ui=headless      write one line per change of the dialog and read commands\n"
           "                     (start, close, cancel, yes, no) line by line from the input\n"
           "                     (the default otherwise)\n"
           "  --help             show this help and exit\n"
           "  --version          show the version and exit\n"
           "\n"
           "SIGINT, SIGTERM and SIGHUP close the dialog as Close does (exit status 128 plus\n"
           "the signal's number); while the mouse is being updated they are held until the\n"
           "update has ended.\n";
}

std::string ToolVersion() {
    return "vantor-dfu " + std::string(kPackageVersion) + "\n";
}

} // namespace devio::app

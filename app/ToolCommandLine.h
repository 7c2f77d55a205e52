// The command line of vantor-dfu: the options of this build ("--simulate[=VERSION]",
// "--simulate-report=FILE", "--simulate-fault=SPEC", "--unattended", "--wait=SECONDS", "--ui=",
// "--help", "--version"), taken out before the original slash options are parsed, so that those
// keep their exact rules and never see the new ones.
//
// An argument that starts with "--" and a letter is an option of this build and must be one of
// them; every other argument goes to the original parser unchanged and in order (which ignores
// what it does not know).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/SimulatedFault.h"
#include "app/ToolDialogFactory.h"
#include "sim/FirmwareVersion.h"

namespace devio::app {

struct CToolCommandLine {
    // The arguments for CToolOptions::ParseCommandLine.
    std::vector<std::wstring> toolArguments;
    std::optional<ToolUi> ui;
    // The built-in virtual receiver and mouse, with the mouse's application firmware.
    std::optional<sim::FirmwareVersion> simulate;
    // Where the virtual mouse's final state is written; empty for nowhere.
    std::string simulateReport;
    // Faults of the virtual mouse, in order (--simulate-fault=SPEC, repeatable).
    std::vector<SimulatedFault> simulateFaults;
    bool unattended = false;
    // How long unattended mode waits for a receiver and a connected mouse.
    int waitSeconds = 60;
    bool help = false;
    bool version = false;
    // Why the command line cannot be used; empty when it can.
    std::string error;

    // `arguments`: the arguments after the program name, as the system gives them.
    static CToolCommandLine Parse(const std::vector<std::string>& arguments);
};

// The firmware of the virtual mouse when --simulate names none.
inline constexpr const char* kDefaultSimulatedVersion = "8.6.27";

// The text of "--help" and of "--version".
std::string ToolUsage();
std::string ToolVersion();

} // namespace devio::app

// The command line of devio-probe: what to look at (the machine, or the built-in virtual receiver
// and mouse), where the library keeps its data, and how to print what was found.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace devio::probe {

struct ProbeOptions {
    bool simulate = false;
    // The simulated receiver's kind, 'A' to 'H'.
    char receiver_kind = 'A';
    // The library's persistent data directory; empty leaves it unset.
    std::string data_dir;
    bool json = false;
    // How long to wait for receivers and their devices, in seconds.
    int wait_seconds = 5;
    bool help = false;
    // List the feature numbers the library has a class for, instead of looking for devices.
    bool features = false;
};

// The options, or nothing with the reason in `error`.
std::optional<ProbeOptions> parse_options(const std::vector<std::string>& arguments,
                                          std::string* error);
// The usage text of --help.
std::string usage_text();

} // namespace devio::probe

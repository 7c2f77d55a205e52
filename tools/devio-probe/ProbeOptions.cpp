#include "tools/devio-probe/ProbeOptions.h"

#include <cctype>
#include <charconv>

namespace devio::probe {

namespace {

// The value of "--name=value", or of "--name value" (taking the next argument).
bool take_value(const std::vector<std::string>& arguments, std::size_t* at, const std::string& name,
                std::string* value) {
    const std::string& argument = arguments[*at];
    if (argument.rfind(name + "=", 0) == 0) {
        *value = argument.substr(name.size() + 1);
        return true;
    }
    if (argument == name && *at + 1 < arguments.size()) {
        *value = arguments[++*at];
        return true;
    }
    return false;
}

} // namespace

std::optional<ProbeOptions> parse_options(const std::vector<std::string>& arguments,
                                          std::string* error) {
    ProbeOptions options;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        std::string value;
        if (argument == "--simulate") {
            options.simulate = true;
        } else if (argument == "--features") {
            options.features = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (take_value(arguments, &at, "--data-dir", &value)) {
            if (value.empty()) {
                *error = "--data-dir needs a directory";
                return std::nullopt;
            }
            options.data_dir = value;
        } else if (take_value(arguments, &at, "--receiver", &value)) {
            const char kind =
                value.size() == 1
                    ? static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])))
                    : '\0';
            if (kind < 'A' || kind > 'H') {
                *error = "--receiver takes a receiver kind from A to H";
                return std::nullopt;
            }
            options.receiver_kind = kind;
        } else if (take_value(arguments, &at, "--wait", &value)) {
            int seconds = -1;
            auto [end, failure] =
                std::from_chars(value.data(), value.data() + value.size(), seconds);
            if (failure != std::errc() || end != value.data() + value.size() || seconds < 0) {
                *error = "--wait takes a number of seconds";
                return std::nullopt;
            }
            options.wait_seconds = seconds;
        } else {
            *error = "unknown option " + argument;
            return std::nullopt;
        }
    }
    return options;
}

std::string usage_text() {
    return "Usage: devio-probe [options]\n"
           "Lists the receivers and devices the devio library finds: paired devices with their\n"
           "slot, product ID, connection and bus type, and for each connected device its\n"
           "feature table, firmware entities and the decoded values of the features that\n"
           "tell about it (name, DPI, hosts).\n"
           "\n"
           "  --simulate          look at the built-in virtual receiver and mouse\n"
           "  --receiver=KIND     the virtual receiver's kind, A to H (default A)\n"
           "  --data-dir DIR      the library's data directory (feature cache files)\n"
           "  --features          list the feature numbers the library has a class for\n"
           "  --json              print JSON instead of text\n"
           "  --wait=SECONDS      how long to wait for devices (default 5)\n"
           "  --help              print this text\n";
}

} // namespace devio::probe

// devio-uhid-sim: plays the simulator's virtual receiver, with the virtual mouse paired to it,
// through the kernel's uhid interface, so that a Linux machine gets a receiver and mouse on its
// real HID stack: the receiver's short and long collections become two HID devices of one USB
// device (HID_PHYS ".../input0" and ".../input1"), each with its hidraw node. It runs until it is
// stopped (SIGINT, SIGTERM or "quit" on standard input).
//
// Unplugging: "unplug" and "plug" on standard input, or SIGUSR1 (unplug) and SIGUSR2 (plug). Each
// change is confirmed with a line on standard output ("plugged" or "unplugged").
//
// Exit status: 0 when stopped, 1 when /dev/uhid cannot be used or the report cannot be written,
// 2 for a command line that cannot be used.
#include <poll.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "app/SimulatedWorld.h"
#include "sim/Collection.h"
#include "sim/FirmwareVersion.h"
#include "sim/ReceiverKind.h"
#include "tools/devio-uhid-sim/UhidDevice.h"

namespace {

using namespace devio;

struct Options {
    char receiver = 'A';
    std::string mouse_version = "8.6.27";
    std::string report;
    std::string uhid = "/dev/uhid";
    bool help = false;
};

const char* const kUsage =
    "Usage: devio-uhid-sim [--receiver=A..H] [--mouse-version=X.Y.Z] [--report=FILE]\n"
    "                      [--uhid=PATH]\n"
    "Plays the virtual receiver (kind A unless --receiver names another) with its paired\n"
    "virtual mouse (firmware 8.6.27 unless --mouse-version names another) through /dev/uhid,\n"
    "until stopped with SIGINT, SIGTERM or \"quit\" on standard input.\n"
    "\"unplug\" and \"plug\" on standard input, or SIGUSR1 and SIGUSR2, unplug and plug the\n"
    "receiver; each change is confirmed on standard output.\n"
    "--report=FILE writes the mouse's final state as JSON when it ends (the format of\n"
    "vantor-dfu --simulate-report).\n";

std::optional<Options> parse(int argc, char** argv, std::string* error) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&](const char* prefix) -> std::optional<std::string> {
            std::string start = prefix;
            if (argument.compare(0, start.size(), start) == 0) {
                return argument.substr(start.size());
            }
            return std::nullopt;
        };
        if (argument == "--help") {
            options.help = true;
        } else if (auto kind = value("--receiver=")) {
            if (kind->size() != 1 || !sim::receiver_kind((*kind)[0])) {
                *error = "--receiver takes one of A to H";
                return std::nullopt;
            }
            options.receiver = (*kind)[0];
        } else if (auto version = value("--mouse-version=")) {
            if (!sim::FirmwareVersion::parse(*version)) {
                *error = "--mouse-version takes a version such as 8.6.27";
                return std::nullopt;
            }
            options.mouse_version = *version;
        } else if (auto report = value("--report=")) {
            options.report = *report;
        } else if (auto uhid = value("--uhid=")) {
            options.uhid = *uhid;
        } else {
            *error = "unknown option " + argument;
            return std::nullopt;
        }
    }
    return options;
}

// The receiver's two collections as two uhid devices of one USB device.
class Bridge {
public:
    Bridge(sim::VirtualReceiver& receiver, std::string uhid)
        : receiver_(receiver), uhid_(std::move(uhid)) {}
    ~Bridge() { unplug(); }

    bool plug() {
        if (plugged_) {
            return true;
        }
        for (int i = 0; i < 2; ++i) {
            sim::Collection which = i == 0 ? sim::Collection::Short : sim::Collection::Long;
            sim::CollectionInfo info = sim::collection_info(which);
            uhid::UhidDevice::Identity identity;
            identity.name = receiver_.product_string();
            identity.phys =
                "usb-devio-uhid-sim-" + std::to_string(getpid()) + "/input" + std::to_string(i);
            identity.vendor_id = receiver_.vendor_id();
            identity.product_id = receiver_.product_id();
            identity.version = 0x1201;
            identity.descriptor = uhid::vendor_descriptor(info.usage_page, info.usage,
                                                          info.report_id, info.report_length);
            auto output = [this, which](const std::vector<Byte>& report) {
                receiver_.host_write(which, report);
            };
            if (!devices_[i].create(identity, output, uhid_)) {
                int error = errno;
                devices_[0].destroy();
                errno = error;
                return false;
            }
        }
        receiver_.set_sink([this](sim::Collection which, const sim::Report& report) {
            devices_[which == sim::Collection::Short ? 0 : 1].input(report);
        });
        plugged_ = true;
        return true;
    }

    void unplug() {
        receiver_.set_sink({});
        for (uhid::UhidDevice& device : devices_) {
            device.destroy();
        }
        plugged_ = false;
    }

    uhid::UhidDevice& device(int i) { return devices_[i]; }

private:
    sim::VirtualReceiver& receiver_;
    const std::string uhid_;
    uhid::UhidDevice devices_[2];
    bool plugged_ = false;
};

// The signals arrive through a pipe: the library's log thread runs from before main, so a signal
// may reach any thread, and its handler only writes the signal's number.
int signal_pipe[2] = {-1, -1};

void on_signal(int signal) {
    int saved = errno;
    auto number = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t written = write(signal_pipe[1], &number, 1);
    errno = saved;
}

bool catch_signals() {
    if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) {
        if (sigaction(signal, &action, nullptr) != 0) {
            return false;
        }
    }
    return true;
}

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Carries out one command; false for "quit".
bool command(Bridge& bridge, const std::string& text) {
    if (text == "quit") {
        return false;
    }
    if (text == "unplug") {
        bridge.unplug();
        say("unplugged");
    } else if (text == "plug") {
        if (bridge.plug()) {
            say("plugged");
        } else {
            std::fprintf(stderr, "devio-uhid-sim: cannot plug: %s\n", std::strerror(errno));
        }
    } else if (!text.empty()) {
        std::fprintf(stderr, "devio-uhid-sim: unknown command %s\n", text.c_str());
    }
    return true;
}

// Serves the devices, the commands and the signals until stopped.
void serve(Bridge& bridge, int signals) {
    bool reading_input = true;
    std::string line;
    for (;;) {
        pollfd fds[4] = {{signals, POLLIN, 0},
                         {reading_input ? STDIN_FILENO : -1, POLLIN, 0},
                         {bridge.device(0).fd(), POLLIN, 0},
                         {bridge.device(1).fd(), POLLIN, 0}};
        if (poll(fds, 4, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if ((fds[2 + i].revents & POLLIN) != 0) {
                bridge.device(i).handle_event();
            }
        }
        if ((fds[0].revents & POLLIN) != 0) {
            unsigned char number = 0;
            while (read(signals, &number, 1) == 1) {
                if (number == SIGUSR1 || number == SIGUSR2) {
                    command(bridge, number == SIGUSR1 ? "unplug" : "plug");
                } else {
                    return;
                }
            }
        }
        if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[256];
            ssize_t length = read(STDIN_FILENO, buffer, sizeof(buffer));
            if (length <= 0) {
                reading_input = false; // no more commands; signals still stop it
                continue;
            }
            line.append(buffer, static_cast<std::size_t>(length));
            for (std::size_t end; (end = line.find('\n')) != std::string::npos;) {
                std::string text = line.substr(0, end);
                line.erase(0, end + 1);
                if (!command(bridge, text)) {
                    return;
                }
            }
        }
    }
}

int run(const Options& options) {
    if (!catch_signals()) {
        std::fprintf(stderr, "devio-uhid-sim: cannot catch signals: %s\n", std::strerror(errno));
        return 1;
    }
    int signals = signal_pipe[0];
    std::optional<sim::FirmwareVersion> version =
        sim::FirmwareVersion::parse(options.mouse_version);
    app::CSimulatedWorld world(app::CSimulatedWorld::DefaultMouse(*version), true,
                               options.receiver);
    // The receiver leaves the virtual HID system for the kernel's.
    world.System().unplug(world.Receiver());
    int status = 0;
    {
        Bridge bridge(world.Receiver(), options.uhid);
        if (!bridge.plug()) {
            std::fprintf(stderr, "devio-uhid-sim: cannot use %s: %s\n", options.uhid.c_str(),
                         std::strerror(errno));
            status = 1;
        } else {
            say("plugged");
            serve(bridge, signals);
        }
    }
    if (!options.report.empty() && !world.WriteReport(options.report)) {
        std::fprintf(stderr, "devio-uhid-sim: cannot write %s: %s\n", options.report.c_str(),
                     std::strerror(errno));
        status = 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    Vs2003SingletonThreadCleanup& guard = Vs2003SingletonThreadCleanup::instance();
    guard.set_present();
    std::string error;
    std::optional<Options> options = parse(argc, argv, &error);
    int status = 0;
    if (!options) {
        std::fprintf(stderr, "devio-uhid-sim: %s\n%s", error.c_str(), kUsage);
        status = 2;
    } else if (options->help) {
        std::fputs(kUsage, stdout);
    } else {
        status = run(*options);
    }
    guard.run_callbacks();
    return status;
}

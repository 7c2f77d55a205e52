// The hidraw system as the HID busses' system of a program that talks to real devices (the tool
// and devio-probe when they do not simulate), with its udev monitor running. When a device of the
// maker is present but cannot be opened for want of permission, the program learns it once, with
// the one line that tells the user how to install the udev rules; the log says so too.
//
// Made before the library makes its first bus and kept until the library has shut down, like
// the simulated worlds it stands in for.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace devio {

class HidrawSystem;

class HidrawChoice {
public:
    // The rules file, as the project ships it.
    static constexpr const char* kRulesFile = "packaging/udev/70-varkon.rules";

    // `on_denied` gets the line for the user (without the program's name and without a line feed).
    explicit HidrawChoice(std::function<void(const std::string& line)> on_denied);
    // Stops the monitor and gives the busses the platform's system again.
    ~HidrawChoice();
    HidrawChoice(const HidrawChoice&) = delete;
    HidrawChoice& operator=(const HidrawChoice&) = delete;

    // The line for a node that cannot be opened.
    static std::string access_denied_line(const std::string& devnode);

private:
    std::shared_ptr<HidrawSystem> system_;
    std::shared_ptr<std::atomic<bool>> told_;
};

} // namespace devio

#include "Source/Linux/HidrawChoice.h"

#include "Source/Linux/HidrawSystem.h"
#include "Source/Log/xLog.h"
#include "Source/Windows/Win32SystemChoice.h"

namespace devio {

std::string HidrawChoice::access_denied_line(const std::string& devnode) {
    return std::string("no permission to open ") + devnode +
           ", a receiver or mouse of the maker: install the udev rules " + kRulesFile +
           " (sudo install -m 644 " + kRulesFile +
           " /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger), "
           "then plug the device in again";
}

HidrawChoice::HidrawChoice(std::function<void(const std::string& line)> on_denied)
    : system_(std::make_shared<HidrawSystem>()), told_(std::make_shared<std::atomic<bool>>()) {
    system_->set_access_denied_handler(
        [told = told_, on_denied = std::move(on_denied)](const HidrawNode& node) {
            std::string line = access_denied_line(node.devnode);
            xLogWrite("HidrawChoice", kLogWarning, "devio::HidrawChoice", "%s", line.c_str());
            if (!told->exchange(true) && on_denied) {
                on_denied(line);
            }
        });
    // Without a monitor (a fake tree, no netlink) the nodes are still listed at each enumeration,
    // only device changes go unannounced; the monitor logs why it did not start.
    static_cast<void>(system_->monitor());
    Win32SystemChoice::choose([system = system_] { return system; });
}

HidrawChoice::~HidrawChoice() {
    Win32SystemChoice::choose({});
    system_->stop_monitor();
}

} // namespace devio

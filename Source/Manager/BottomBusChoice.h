// Which bus the device manager puts at the bottom of its stack. The program chooses once, before
// the manager builds its stack; without a choice it is the Windows HID bus (which takes its
// system API from Win32SystemChoice). Tests choose a bus of their own for a case and restore the
// default afterwards. The stacking rules above the bottom bus stay the same whatever is chosen.
#pragma once

#include <functional>
#include <memory>

namespace devio {

class IDeviceManager;
class IHardwareBus;

class BottomBusChoice {
public:
    using Maker = std::function<std::shared_ptr<IHardwareBus>(std::weak_ptr<IDeviceManager>)>;

    // An empty maker restores the Windows HID bus.
    static void choose(Maker maker);
    // A new bottom bus for `manager`. Thread-safe.
    static std::shared_ptr<IHardwareBus> make(std::weak_ptr<IDeviceManager> manager);
};

} // namespace devio

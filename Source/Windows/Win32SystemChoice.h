// Which Win32System the Windows HID busses of this process get. The program chooses once, at
// start-up, before it makes its first bus (the tool's --simulate chooses the simulator's virtual
// HID system); without a choice a bus gets the platform's own Win32System. A bus takes its system
// once, when it starts, so a later choice reaches only busses made afterwards (tests choose a
// fresh virtual system for each case).
#pragma once

#include <functional>
#include <memory>

namespace devio {

class Win32System;

class Win32SystemChoice {
public:
    using Maker = std::function<std::shared_ptr<Win32System>()>;

    // An empty maker restores the platform's own system.
    static void choose(Maker maker);
    // A system from the chosen maker. Thread-safe.
    static std::shared_ptr<Win32System> make();
};

} // namespace devio

#include "tools/devio-probe/SimulatedWorld.h"

#include "Source/Windows/Win32SystemChoice.h"
#include "sim/ReceiverKind.h"

namespace devio::probe {

SimulatedWorld::SimulatedWorld(char receiver_kind)
    : receiver_(scheduler_, *sim::receiver_kind(receiver_kind)),
      mouse_(std::make_shared<sim::VirtualMouse>(scheduler_)),
      system_(std::make_shared<sim::VirtualHidSystem>()) {
    receiver_.pair(mouse_);
    Win32SystemChoice::choose([system = system_] { return system; });
    system_->plug(receiver_);
}

SimulatedWorld::~SimulatedWorld() {
    system_->unplug(receiver_);
    Win32SystemChoice::choose({});
}

} // namespace devio::probe

// One event waiting in the run loop: a producer's call bound to one run-loop subscriber, with the
// key of its subscription.
//
// The call holds copies of the event's arguments, so shared references bound into it (devices,
// reports) stay alive until the event is delivered or discarded. It holds nothing of its producer.
#pragma once

#include <functional>

#include "Source/Events/EventLabel.h"

namespace devio {

struct QueuedEvent {
    // Runs the subscriber's handler with the bound arguments.
    std::function<void()> call;
    // The subscription's key: the subscriber's address and the address of the producer's run-loop
    // subscriber set.
    const void* subscriber = nullptr;
    const void* producer = nullptr;
    EventLabel label;
};

} // namespace devio

// The process's run loop as producers reach it: queue an event for the application's thread, or
// drop the queued events of one subscription. The facade owns the run loop and defines both
// functions (Source/Manager/CDevio.cpp); producers sit below it and know only this port.
#pragma once

#include "Source/Events/QueuedEvent.h"

namespace devio::runloop_port {

// Queues the event on the process's run loop and announces it (any thread).
void enqueue(QueuedEvent event);
// Discards the queued events of one subscription (any thread).
void remove(const void* subscriber, const void* producer);

} // namespace devio::runloop_port

// The run-loop queue: events of every producer waiting for the application's thread, in the order
// in which they were queued. Each addition is announced with IDeviceManager::RunLoopEvent; the
// application answers announcements by calling call_next (through the facade's
// call_event_from_runloop), which delivers one event per call. The device manager holds the queue.
//
// enqueue, remove and replay may be called from any thread, call_next on the application's
// thread. The mutex guards the queue and the trigger count; it is never held while announcements
// are produced, handlers run or discarded events are destroyed, so handlers may queue, subscribe
// and unsubscribe, and the destructors of bound arguments may reach the run loop again.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>

#include "Source/Contracts/IDeviceManager.h"
#include "Source/Events/Producer.h"
#include "Source/Events/QueuedEvent.h"

namespace devio {

class RunLoopQueue {
public:
    using Announcer = Producer<IDeviceManager::RunLoopEvent>;

    // Announcements are produced on `announcer`, which must outlive the queue.
    explicit RunLoopQueue(Announcer& announcer);
    RunLoopQueue(const RunLoopQueue&) = delete;
    RunLoopQueue& operator=(const RunLoopQueue&) = delete;
    ~RunLoopQueue();

    // Appends the event and announces it; after close(), and without a call, the event is dropped.
    void enqueue(QueuedEvent event);
    // Answers one announcement: delivers the oldest event on this thread, announcing again first
    // when more events wait. An exception of the handler leaves here after the event has left the
    // queue.
    void call_next();
    // Discards the events of the subscription (subscriber, producer), keeping the others in order,
    // or every event when both keys are null.
    void remove(const void* subscriber, const void* producer);
    // For a new RunLoopEvent subscriber: one announcement for every event already waiting, so that
    // events queued before anyone listened are not stranded.
    void replay(bool direct);
    // Discards every waiting event and drops those queued from now on (the manager is going).
    void close();

    size_t size() const;
    // Announcements made and not yet answered by call_next.
    int triggers_in_flight() const;

private:
    void announce();

    Announcer& announcer_;
    mutable std::mutex mutex_;
    std::deque<QueuedEvent> queue_;
    int triggers_in_flight_ = 0;
    bool closed_ = false;
};

} // namespace devio

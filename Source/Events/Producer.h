// Producer<E>: the base an implementation class inherits once for every event interface E that it
// produces. It holds the subscribers and delivers each production to them, directly on the
// producing thread or queued on the run loop for the application's thread.
//
// A producer holds plain pointers: a subscriber must unsubscribe before it dies (Subscriber<E>
// does so in its destructor). A class with several Producer bases names the one it means:
// `Producer<IHardwareDevice::Read>::produce(call, "Win32Device::Read::onRead")`; when it overrides
// a hook or `subscribe` of one base, it brings in the other bases' overloads with
// using-declarations (`using Producer<IHardwareDevice::Write>::on_subscribe;`), which clang's
// hidden-overload warning asks for.
#pragma once

#include <algorithm>
#include <concepts>
#include <functional>
#include <mutex>
#include <vector>

#include "Source/Events/EventLabel.h"
#include "Source/Events/QueuedEvent.h"
#include "Source/Events/RunLoopPort.h"
#include "Source/Log/LastError.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

// How a subscription wants its events.
enum Delivery : int {
    // Queued on the run loop, delivered by call_event_from_runloop on the application's thread.
    DeliverViaRunLoop = 0,
    // Called on the producing thread, with the producer's mutex held.
    DeliverDirect = 1,
};

template <class E>
class Producer {
public:
    using Event = E;

    Producer() = default;
    Producer(const Producer&) = delete;
    Producer& operator=(const Producer&) = delete;
    // Queued events of this producer are not touched: they hold nothing of it.
    virtual ~Producer() = default;

    // Adds the subscriber to the set of `delivery`. Subscribing again with the same delivery
    // returns true without running the hooks. False when on_subscribe refuses (its LastError
    // stands) or when `delivery` is not a Delivery value (GeneralFailure).
    virtual bool subscribe(E* subscriber, int delivery);
    // Removes the subscriber from both sets and discards the queued events of its run-loop
    // subscription. Once this returns, no direct handler of the subscriber is running on a
    // producing thread. Unknown subscribers are ignored.
    virtual void unsubscribe(E* subscriber);
    // Delivers `call` (invoked with an E*) to every subscriber: first to each direct subscriber on
    // this thread, then a copy bound to each run-loop subscriber is queued. Arguments the call
    // needs after this returns must be captured by value, and the call must not refer to the
    // producer, which may be gone before a queued copy is delivered. Direct handlers run with the
    // mutex held: they must not subscribe to, unsubscribe from or produce on this producer.
    template <class Call>
    requires std::invocable<const Call&, E*> && std::copy_constructible<Call>
    void produce(const Call& call, EventLabel label);
    // Direct plus run-loop subscribers.
    virtual unsigned subscriber_count() const;

protected:
    // Runs without the mutex before a new subscriber is added; false refuses the subscription and
    // leaves the reason in LastError.
    virtual bool on_subscribe(E* /*subscriber*/) { return true; }
    // Runs right after a new subscriber was added, once the mutex is released again, so that it
    // may produce on this producer (a replay for a late subscriber).
    virtual void on_subscription_added(E* /*subscriber*/, bool /*direct*/) {}
    // Runs without the mutex after a subscriber was removed.
    virtual void on_unsubscribe(E* /*subscriber*/) {}

private:
    // Ordered by address; small, so a sorted vector is cheapest to walk.
    using Set = std::vector<E*>;

    static bool contains(const Set& set, E* subscriber) {
        return std::binary_search(set.begin(), set.end(), subscriber, std::less<E*>());
    }
    static bool erase(Set& set, E* subscriber) {
        auto it = std::lower_bound(set.begin(), set.end(), subscriber, std::less<E*>());
        if (it == set.end() || *it != subscriber) {
            return false;
        }
        set.erase(it);
        return true;
    }
    // The run-loop set's address is the producer half of a subscription's key.
    const void* runloop_key() const { return &runloop_; }

    Set direct_ DEVIO_GUARDED_BY(mutex_);
    Set runloop_ DEVIO_GUARDED_BY(mutex_);
    mutable sys::Mutex mutex_;
};

template <class E>
bool Producer<E>::subscribe(E* subscriber, int delivery) {
    if (delivery != DeliverViaRunLoop && delivery != DeliverDirect) {
        set_last_error(ErrorCode::GeneralFailure, static_cast<uint32_t>(delivery),
                       "invalid delivery in subscribe");
        return false;
    }
    Set& set = delivery == DeliverDirect ? direct_ : runloop_;
    {
        sys::MutexLock lock(mutex_);
        if (contains(set, subscriber)) {
            return true;
        }
    }
    if (!on_subscribe(subscriber)) {
        return false;
    }
    {
        sys::MutexLock lock(mutex_);
        auto it = std::lower_bound(set.begin(), set.end(), subscriber, std::less<E*>());
        if (it != set.end() && *it == subscriber) {
            return true; // another thread added it meanwhile
        }
        set.insert(it, subscriber);
    }
    on_subscription_added(subscriber, delivery == DeliverDirect);
    return true;
}

template <class E>
void Producer<E>::unsubscribe(E* subscriber) {
    bool was_direct;
    bool was_runloop;
    {
        sys::MutexLock lock(mutex_);
        was_direct = erase(direct_, subscriber);
        was_runloop = erase(runloop_, subscriber);
    }
    if (was_direct || was_runloop) {
        on_unsubscribe(subscriber);
    }
    if (was_runloop) {
        runloop_port::remove(subscriber, runloop_key());
    }
}

template <class E>
template <class Call>
requires std::invocable<const Call&, E*> && std::copy_constructible<Call>
void Producer<E>::produce(const Call& call, EventLabel label) {
    sys::MutexLock lock(mutex_);
    for (E* subscriber : direct_) {
        std::invoke(call, subscriber);
    }
    for (E* subscriber : runloop_) {
        runloop_port::enqueue(QueuedEvent{[call, subscriber] { std::invoke(call, subscriber); },
                                          subscriber, runloop_key(), label});
    }
}

template <class E>
unsigned Producer<E>::subscriber_count() const {
    sys::MutexLock lock(mutex_);
    return static_cast<unsigned>(direct_.size() + runloop_.size());
}

} // namespace devio

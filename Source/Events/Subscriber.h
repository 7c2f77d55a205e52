// Subscriber<E>: the base a consumer inherits once for every event interface E that it consumes.
// It implements E's handlers and remembers, by weak reference, which producers it subscribed to,
// so that its destructor leaves every one of them that still exists.
//
// A class with several Subscriber bases names the base it means:
// `Subscriber<IDeviceManager::ArrivalRemoval>::subscribe(manager, DeliverViaRunLoop, "...")`.
// The derived class should unsubscribe in its own destructor when its handlers may still be
// called there (the base's destructor runs after the derived members are gone).
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "Source/Events/Producer.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

template <class E>
class Subscriber : public E {
public:
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;
    // Unsubscribes from every producer that still exists.
    ~Subscriber() override;

    // Subscribes to the Producer<E> behind `source`, a shared reference to the interface that
    // declares E (or to any class that produces it). False with SubscribeCastFailed when the
    // object does not produce E, or with the producer's reason when it refuses. Subscribing to a
    // producer this subscriber already has returns true and changes nothing. `label` names the
    // subscription in the log.
    template <class Source>
    bool subscribe(const std::shared_ptr<Source>& source, int delivery, std::string_view label);
    // Leaves the Producer<E> behind `source`; nothing happens when it is not one of ours.
    template <class Source>
    void unsubscribe(const std::shared_ptr<Source>& source);

protected:
    Subscriber() = default;

private:
    struct Entry {
        const Producer<E>* key;
        std::weak_ptr<Producer<E>> producer;
    };
    // Ordered by producer address.
    using Entries = std::vector<Entry>;

    static typename Entries::iterator find(Entries& entries, const Producer<E>* key) {
        return std::lower_bound(entries.begin(), entries.end(), key,
                                [](const Entry& entry, const Producer<E>* k) {
                                    return std::less<const Producer<E>*>()(entry.key, k);
                                });
    }

    sys::Mutex mutex_;
    Entries producers_ DEVIO_GUARDED_BY(mutex_);
};

template <class E>
Subscriber<E>::~Subscriber() {
    Entries entries;
    {
        sys::MutexLock lock(mutex_);
        entries.swap(producers_);
    }
    for (Entry& entry : entries) {
        if (std::shared_ptr<Producer<E>> producer = entry.producer.lock()) {
            producer->unsubscribe(this);
        }
    }
}

template <class E>
template <class Source>
bool Subscriber<E>::subscribe(const std::shared_ptr<Source>& source, int delivery,
                              std::string_view label) {
    std::shared_ptr<Producer<E>> producer = std::dynamic_pointer_cast<Producer<E>>(source);
    if (!producer) {
        set_last_error(ErrorCode::SubscribeCastFailed, 0,
                       "dynamic pointer cast in subscribe failed");
        xLogWrite("Subscriber", kLogDebug, "devio::Subscriber::subscribe",
                  "Subscriber::subscribe %.*s: the source does not produce the event",
                  static_cast<int>(label.size()), label.data());
        return false;
    }
    {
        sys::MutexLock lock(mutex_);
        auto it = find(producers_, producer.get());
        // An expired entry at this address belongs to a producer that died; it is replaced.
        if (it != producers_.end() && it->key == producer.get() && !it->producer.expired()) {
            return true;
        }
    }
    if (!producer->subscribe(this, delivery)) {
        xLogWrite("Subscriber", kLogDebug, "devio::Subscriber::subscribe",
                  "Subscriber::subscribe %.*s refused, err=%u", static_cast<int>(label.size()),
                  label.data(), to_underlying(last_error().code));
        return false;
    }
    sys::MutexLock lock(mutex_);
    auto it = find(producers_, producer.get());
    if (it != producers_.end() && it->key == producer.get()) {
        it->producer = producer;
    } else {
        producers_.insert(it, Entry{producer.get(), producer});
    }
    return true;
}

template <class E>
template <class Source>
void Subscriber<E>::unsubscribe(const std::shared_ptr<Source>& source) {
    std::shared_ptr<Producer<E>> producer = std::dynamic_pointer_cast<Producer<E>>(source);
    if (!producer) {
        return;
    }
    {
        sys::MutexLock lock(mutex_);
        auto it = find(producers_, producer.get());
        if (it == producers_.end() || it->key != producer.get()) {
            return;
        }
        producers_.erase(it);
    }
    producer->unsubscribe(this);
}

} // namespace devio

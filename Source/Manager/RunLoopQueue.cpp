#include "Source/Manager/RunLoopQueue.h"

#include <utility>

#include "Source/Log/xLog.h"

namespace devio {

namespace {
constexpr const char* kTag = "DeviceManager";
} // namespace

RunLoopQueue::RunLoopQueue(Announcer& announcer) : announcer_(announcer) {}

RunLoopQueue::~RunLoopQueue() {
    close();
}

void RunLoopQueue::enqueue(QueuedEvent event) {
    if (!event.call) {
        return; // nothing to deliver
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) {
            return; // `event` dies after the lock is released
        }
        queue_.push_back(std::move(event));
        ++triggers_in_flight_;
    }
    announce();
}

void RunLoopQueue::call_next() {
    QueuedEvent event;
    bool announce_again = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --triggers_in_flight_;
        xLogWrite(kTag, kLogVerbose, "devio::DeviceManager::call_event_from_runloop",
                  "DeviceManager::call_event_from_runloop now %d triggers are in-flight",
                  triggers_in_flight_);
        if (queue_.empty()) {
            return;
        }
        event = std::move(queue_.front());
        queue_.pop_front();
        // While events wait, at least one announcement stays outstanding.
        if (!queue_.empty()) {
            ++triggers_in_flight_;
            announce_again = true;
        }
    }
    if (announce_again) {
        announce();
    }
    event.call();
}

void RunLoopQueue::remove(const void* subscriber, const void* producer) {
    const char* where = "devio::DeviceManager::remove_runloop_events";
    xLogWrite(kTag, kLogInfo, where, "DeviceManager::remove_runloop_events");
    std::deque<QueuedEvent> discarded;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (subscriber == nullptr && producer == nullptr) {
            xLogWrite(kTag, kLogInfo, where,
                      "DeviceManager::remove_runloop_events discarding all: %d events",
                      static_cast<int>(queue_.size()));
            for (const QueuedEvent& event : queue_) {
                xLogWrite(kTag, kLogInfo, where,
                          "DeviceManager::remove_runloop_events discarding all: %s",
                          event.label.c_str());
            }
            discarded.swap(queue_);
        } else {
            std::deque<QueuedEvent> kept;
            for (QueuedEvent& event : queue_) {
                if (event.subscriber == subscriber && event.producer == producer) {
                    xLogWrite(kTag, kLogInfo, where,
                              "DeviceManager::remove_runloop_events discarding %s",
                              event.label.c_str());
                    discarded.push_back(std::move(event));
                } else {
                    kept.push_back(std::move(event));
                }
            }
            queue_.swap(kept);
        }
    }
    // `discarded` dies here, outside the lock: a bound argument's destructor may unsubscribe.
}

void RunLoopQueue::replay(bool direct) {
    const char* where = "devio::DeviceManager::on_subscription_added";
    xLogWrite(kTag, kLogInfo, where, "-api- IDeviceManager::RunLoopEvent, delivery=%d",
              direct ? 1 : 0);
    const size_t waiting = size();
    if (waiting == 0) {
        return;
    }
    xLogWrite(kTag, kLogWarning, where,
              "Subscribed to run loop after %d events are already in the queue... delivering "
              "events now",
              static_cast<int>(waiting));
    for (size_t i = 0; i < waiting; ++i) {
        announce();
    }
    xLogWrite(kTag, kLogWarning, where, "All pre-existing events have been delivered");
}

void RunLoopQueue::close() {
    std::deque<QueuedEvent> discarded;
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    discarded.swap(queue_);
    // The lock is released before `discarded` dies (reverse order of construction).
}

size_t RunLoopQueue::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

int RunLoopQueue::triggers_in_flight() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return triggers_in_flight_;
}

void RunLoopQueue::announce() {
    announcer_.produce(
        [](IDeviceManager::RunLoopEvent* subscriber) { subscriber->onRunLoopEvent(); },
        "DeviceManager::RunLoopEvent::onRunLoopEvent");
}

} // namespace devio

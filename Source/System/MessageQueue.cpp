#include "Source/System/MessageQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

namespace devio::sys {

MessageQueue::~MessageQueue() {
    if (wake_fd_ >= 0) {
        ::close(wake_fd_);
    }
}

void MessageQueue::signal() {
    wake.notify_all();
    if (wake_fd_ >= 0) {
        // The counter only saturates after 2^64 - 2 wakes nobody read; a full counter is awake.
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(wake_fd_, &one, sizeof one);
    }
}

int MessageQueue::wake_fd() {
    if (wake_fd_ < 0) {
        wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    return wake_fd_;
}

void MessageQueue::post_quit(int exit_code) {
    quit_code_ = exit_code;
}

std::shared_ptr<SentMessage> MessageQueue::take_sent() {
    if (sent_.empty()) {
        return nullptr;
    }
    std::shared_ptr<SentMessage> message = std::move(sent_.front());
    sent_.pop_front();
    return message;
}

void MessageQueue::remove_sent(const SentMessage* message) {
    std::erase_if(sent_, [message](const auto& queued) { return queued.get() == message; });
}

bool MessageQueue::next_message(WindowMessage* out, bool remove, SteadyTime now) {
    if (!posted_.empty()) {
        *out = posted_.front();
        if (remove) {
            posted_.pop_front();
        }
        return true;
    }
    if (quit_code_) {
        *out = WindowMessage{0, wm::Quit, static_cast<uintptr_t>(*quit_code_), 0};
        if (remove) {
            quit_code_.reset();
        }
        return true;
    }
    auto due = std::min_element(timers_.begin(), timers_.end(),
                                [](const Timer& a, const Timer& b) { return a.due < b.due; });
    if (due == timers_.end() || due->due > now) {
        return false;
    }
    *out = WindowMessage{due->window, wm::Timer, due->id, 0};
    if (remove) {
        // Expiries missed while the owner was busy collapse into this one; the next stays on the
        // timer's original beat.
        if (due->period.count() == 0) {
            due->due = now;
        } else {
            due->due += ((now - due->due) / due->period + 1) * due->period;
        }
    }
    return true;
}

std::optional<SteadyTime> MessageQueue::next_timer_due() const {
    std::optional<SteadyTime> earliest;
    for (const Timer& timer : timers_) {
        if (!earliest || timer.due < *earliest) {
            earliest = timer.due;
        }
    }
    return earliest;
}

void MessageQueue::set_timer(WindowId window, uintptr_t timer_id, std::chrono::nanoseconds period,
                             SteadyTime now) {
    auto found = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& timer) {
        return timer.window == window && timer.id == timer_id;
    });
    if (found == timers_.end()) {
        timers_.push_back(Timer{window, timer_id, period, now + period});
    } else {
        found->period = period;
        found->due = now + period;
    }
}

bool MessageQueue::kill_timer(WindowId window, uintptr_t timer_id) {
    return std::erase_if(timers_, [&](const Timer& timer) {
               return timer.window == window && timer.id == timer_id;
           }) > 0;
}

std::vector<std::shared_ptr<SentMessage>> MessageQueue::drop_window(WindowId window) {
    std::erase_if(posted_,
                  [window](const WindowMessage& message) { return message.window == window; });
    std::erase_if(timers_, [window](const Timer& timer) { return timer.window == window; });
    std::vector<std::shared_ptr<SentMessage>> orphans;
    std::erase_if(sent_, [&](const std::shared_ptr<SentMessage>& message) {
        if (message->message.window != window) {
            return false;
        }
        orphans.push_back(message);
        return true;
    });
    return orphans;
}

std::vector<std::shared_ptr<SentMessage>> MessageQueue::close() {
    posted_.clear();
    timers_.clear();
    quit_code_.reset();
    std::vector<std::shared_ptr<SentMessage>> orphans(std::make_move_iterator(sent_.begin()),
                                                      std::make_move_iterator(sent_.end()));
    sent_.clear();
    return orphans;
}

} // namespace devio::sys

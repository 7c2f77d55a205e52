#include "Source/Rap/CommandSlot.h"

#include "Source/System/Clock.h"

namespace devio {

void CommandSlot::begin(const Lock& /*lock*/, const rap::Report& command,
                        const rap::MatchPositions& positions) {
    command_ = command;
    positions_ = positions;
    response_.clear();
    completed_ = false;
    ended_by_workaround_ = false;
}

void CommandSlot::wait(Lock& lock, int64_t timeout_ms) {
    sys::Clock::wait_for(completed_cv_, lock, timeout_ms, [this] { return completed_; });
}

CommandSlot::Outcome CommandSlot::finish(const Lock& /*lock*/, bool keep_previous) {
    if (keep_previous) {
        previous_command_ = command_;
        previous_positions_ = positions_;
    }
    command_.clear();
    completed_ = true;
    Outcome outcome{std::move(response_), ended_by_workaround_};
    response_.clear();
    ended_by_workaround_ = false;
    return outcome;
}

namespace {

bool answers(const rap::Report& report, const rap::Report& command,
             const rap::MatchPositions& positions) {
    return rap::header_matches(report, command) && rap::payload_matches(report, command, positions);
}

} // namespace

CommandSlot::Offer CommandSlot::offer(const rap::Report& report, bool brb_check,
                                      std::atomic<bool>& brb_active) {
    std::lock_guard<std::mutex> lock(mutex_);
    Offer offer;
    if (completed_) {
        return offer;
    }
    if (command_.empty()) {
        offer.match = Match::Empty;
        return offer;
    }
    if (rap::is_rap10_error_for(report, command_) || rap::is_rap20_error_for(report, command_)) {
        offer.match = Match::ErrorResponse;
    } else if (!rap::header_matches(report, command_)) {
        offer.match = Match::HeaderMismatch;
    } else if (!rap::payload_matches(report, command_, positions_)) {
        offer.match = Match::PayloadMismatch;
    } else {
        offer.match = Match::Response;
    }
    if (!offer.completed() && brb_check && !brb_active.load() &&
        answers(report, previous_command_, previous_positions_)) {
        brb_active.store(true);
        ended_by_workaround_ = true;
        offer.by_workaround = true;
    }
    if (offer.completed()) {
        response_ = report;
        completed_ = true;
        completed_cv_.notify_all();
    }
    return offer;
}

void CommandSlot::abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_.store(true);
    completed_ = true;
    completed_cv_.notify_all();
}

void CommandSlot::pause(int64_t ms) {
    Lock lock(mutex_);
    sys::Clock::wait_for(completed_cv_, lock, ms, [this] { return abandoned_.load(); });
}

} // namespace devio

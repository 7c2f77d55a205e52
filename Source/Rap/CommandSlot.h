// The one synchronous command of a device that awaits its response: the command and the parameter
// positions its response must echo, the response once the classification found it, and the
// condition variable on which the sender waits.
//
// The sender holds the slot's lock (acquire) for the whole exchange: from storing the command,
// through the write, to the end of the wait, which releases it while waiting. A response that the
// read thread finds meanwhile therefore waits for the sender to be waiting and is never lost. The
// read thread takes the lock only inside offer; abandon may come from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "Source/Contracts/RapReport.h"

namespace devio {

class CommandSlot {
public:
    // Not annotated for the lock analysis: the exchange hands this lock to the wait for its answer,
    // which lets it go in a condition variable, and the analysis follows neither.
    using Lock = std::unique_lock<std::mutex>;

    // What the classification's offer of a report found.
    enum class Match {
        Completed,       // nothing awaits a response
        Empty,           // a wait is in progress but holds no command
        ErrorResponse,   // an error answer of either generation to the command
        Response,        // header and echoed parameters match
        PayloadMismatch, // the header matches, an echoed parameter does not
        HeaderMismatch,  // the header does not match
    };
    struct Offer {
        Match match = Match::Completed;
        // The report answers the previous command instead: the brb workaround ended the wait.
        bool by_workaround = false;
        // Whether the report completed the pending command.
        bool completed() const {
            return by_workaround || match == Match::ErrorResponse || match == Match::Response;
        }
    };
    // What a finished wait leaves to the sender.
    struct Outcome {
        rap::Report response; // empty when nothing answered
        bool ended_by_workaround = false;
    };

    Lock acquire() { return Lock(mutex_); }

    // Sender, holding the lock. Starts awaiting a response to `command`.
    void begin(const Lock& lock, const rap::Report& command, const rap::MatchPositions& positions);
    // Waits until the command is completed or `timeout_ms` (scaled) have passed.
    void wait(Lock& lock, int64_t timeout_ms);
    // Ends the exchange: marks it completed, empties the command and hands over what arrived.
    // With `keep_previous` (the brb workaround is enabled) the command is kept as the previous one.
    Outcome finish(const Lock& lock, bool keep_previous);

    // Read thread. Completes the pending command when `report` answers it; with `brb_check` a
    // report answering the previous command also ends the wait and sets `brb_active`.
    Offer offer(const rap::Report& report, bool brb_check, std::atomic<bool>& brb_active);

    // Completes the command so that a waiting sender returns at once, and ends every pause; from
    // then on abandoned() holds.
    void abandon();
    bool abandoned() const { return abandoned_.load(); }
    // Waits `ms` (scaled) milliseconds, or until abandoned. Call without the lock.
    void pause(int64_t ms);

private:
    std::mutex mutex_;
    std::condition_variable completed_cv_;
    // Guarded by mutex_.
    rap::Report command_;
    rap::MatchPositions positions_;
    rap::Report response_;
    bool completed_ = true;
    bool ended_by_workaround_ = false;
    rap::Report previous_command_;
    rap::MatchPositions previous_positions_;
    std::atomic<bool> abandoned_{false};
};

} // namespace devio

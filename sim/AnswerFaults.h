// Planned faults for the answers of a device: the answer to the N-th command from now is lost or
// comes late. The device asks once per command; the simulator lock guards it.
#pragma once

#include <cstdint>
#include <map>

#include "sim/Scheduler.h"

namespace devio::sim {

class AnswerFaults {
public:
    struct Verdict {
        bool drop = false;
        Scheduler::Delay extra_delay{0};
    };

    // nth = 1 is the next command.
    void drop_answer(unsigned nth);
    void delay_answer(unsigned nth, Scheduler::Delay extra);
    void clear() { planned_.clear(); }

    // Counts one command and tells what happens to its answer.
    Verdict next_command();
    uint64_t commands() const { return count_; }

private:
    uint64_t count_ = 0;
    std::map<uint64_t, Verdict> planned_;
};

} // namespace devio::sim

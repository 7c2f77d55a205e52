#include "sim/AnswerFaults.h"

namespace devio::sim {

void AnswerFaults::drop_answer(unsigned nth) {
    if (nth > 0) {
        planned_[count_ + nth].drop = true;
    }
}

void AnswerFaults::delay_answer(unsigned nth, Scheduler::Delay extra) {
    if (nth > 0) {
        planned_[count_ + nth].extra_delay = extra;
    }
}

AnswerFaults::Verdict AnswerFaults::next_command() {
    ++count_;
    auto it = planned_.find(count_);
    if (it == planned_.end()) {
        return {};
    }
    Verdict verdict = it->second;
    planned_.erase(it);
    return verdict;
}

} // namespace devio::sim

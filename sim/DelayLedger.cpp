#include "sim/DelayLedger.h"

#include <atomic>

namespace devio::sim {

struct DelayLedger::Root {
    // The longest delay of the chain to a report that reached the host so far (-1: none yet).
    // Only the simulator thread that runs the chain's actions touches it.
    int64_t longest = -1;
};

namespace {

std::atomic<uint64_t> g_exchanges{0};
std::atomic<int64_t> g_designed_us{0};

} // namespace

// The action running on this thread, if it is a simulator thread inside an action.
thread_local DelayLedger::Link t_running;

DelayLedger::Totals DelayLedger::totals() {
    return Totals{g_exchanges.load(), Delay(g_designed_us.load())};
}

DelayLedger::Link DelayLedger::link(Delay delay) {
    Delay positive = delay > Delay::zero() ? delay : Delay::zero();
    if (t_running.root_ == nullptr) {
        return Link(std::make_shared<Root>(), positive);
    }
    return Link(t_running.root_, t_running.chain_ + positive);
}

DelayLedger::Running::Running(Link link) : previous_(std::move(t_running)) {
    t_running = std::move(link);
}

DelayLedger::Running::~Running() {
    t_running = std::move(previous_);
}

void DelayLedger::reached_host() {
    Root* root = t_running.root_.get();
    if (root == nullptr) {
        return;
    }
    int64_t chain = t_running.chain_.count();
    if (root->longest < 0) {
        g_exchanges.fetch_add(1);
        root->longest = 0;
    }
    if (chain > root->longest) {
        g_designed_us.fetch_add(chain - root->longest);
        root->longest = chain;
    }
}

} // namespace devio::sim

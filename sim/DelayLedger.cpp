#include "sim/DelayLedger.h"

#include <algorithm>
#include <atomic>

namespace devio::sim {

// One chain. Only the simulator thread that runs the chain's actions reads or changes it.
struct DelayLedger::Root {
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    int64_t longest_us = -1; // the longest designed delay to a report so far; -1: none yet
    int64_t taken_us = 0;    // the real time to that report
};

namespace {

std::atomic<uint64_t> g_exchanges{0};
std::atomic<int64_t> g_designed_us{0};
std::atomic<int64_t> g_taken_us{0};

} // namespace

// The action running on this thread, if it is a simulator thread inside an action.
thread_local DelayLedger::Link t_running;

DelayLedger::Totals DelayLedger::totals() {
    return Totals{g_exchanges.load(), Delay(g_designed_us.load()), Delay(g_taken_us.load())};
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
    if (root->longest_us < 0) {
        g_exchanges.fetch_add(1);
    } else if (chain <= root->longest_us) {
        return;
    }
    int64_t taken = std::chrono::duration_cast<Delay>(Root::Clock::now() - root->start).count();
    g_designed_us.fetch_add(chain - std::max<int64_t>(root->longest_us, 0));
    g_taken_us.fetch_add(taken - root->taken_us);
    root->longest_us = chain;
    root->taken_us = taken;
}

} // namespace devio::sim

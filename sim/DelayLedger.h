// The simulator's own share of the time an exchange takes. Every action the host starts (a report
// it writes, or anything else posted from outside the simulator thread) roots a chain; each action
// posted while an action of the chain runs continues it, its designed delay added. When a report
// reaches the host, the chain's delay so far is what the simulator's design alone made the host
// wait for that report. The ledger sums, over all chains, the longest of these: the least time a
// stretch of exchanges can take with a host that costs nothing, the floor against which
// benchmarks set the wall time of a stretch. Delays are counted unscaled, as designed.
//
// Beside the designed delays the ledger sums the time each chain really took from its start to
// the same report: what it took beyond its designed delays is the simulator's lateness (its
// thread's wake-ups and the clock's slack), and what a stretch took beyond that is the host's.
//
// Two chains that run side by side (an event the device sends while the host already waits for
// another answer) are both counted, so a floor is exact only while the host runs one exchange at
// a time, as the command engine does.
//
// Threads: link() runs on the thread that posts, the rest on the simulator thread; totals() on
// any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace devio::sim {

class DelayLedger {
    struct Root;

public:
    using Delay = std::chrono::microseconds;

    struct Totals {
        uint64_t exchanges = 0; // chains that brought at least one report to the host
        Delay designed{0};      // the sum of each chain's longest delay to the host
        Delay taken{0};         // the same chains' real time to those reports (scaled clock)
    };
    // The totals of every simulator in this process since it started.
    static Totals totals();

    // Where a posted action stands in its chain.
    class Link {
    public:
        Link() = default;

    private:
        friend class DelayLedger;
        Link(std::shared_ptr<Root> root, Delay chain) : root_(std::move(root)), chain_(chain) {}
        std::shared_ptr<Root> root_;
        Delay chain_{0};
    };

    // For an action posted now with `delay`: continues the chain of the action running on this
    // thread, or roots a new one.
    static Link link(Delay delay);

    // Marks the action of `link` as the one running on this thread while the object lives.
    class Running {
    public:
        explicit Running(Link link);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        Link previous_;
    };

    // The running action hands a report to the host.
    static void reached_host();
};

} // namespace devio::sim
